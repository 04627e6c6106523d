#pragma once

#include <QString>

#include <exception>

// The one text a screen shows for any failed backend call, whoever raised the error. The backend's
// own "error" text is shown as it is unless it names a missing family or a rate limit; transport
// failures get one of four network texts; a record that did not decode gets the refresh hint.
QString userFriendlyMessage(const std::exception& error);
// For a caught `std::exception_ptr`; errors that are not `std::exception`s get the generic text.
QString userFriendlyMessage(const std::exception_ptr& error);
