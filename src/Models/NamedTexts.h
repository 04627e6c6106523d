#pragma once

#include <QString>

// Longer texts that are looked up under a short key rather than under their Chinese wording.
// The source language has no table, so the Chinese wording is kept here and used whenever the
// lookup gives the key back. Texts that name a Mac do so in the macOS build only.
namespace NamedTexts {

QString macHelpBody();
QString macNoAPNsTestingNote();
QString feedbackContentFooter();
QString contactPlaceholder();
QString contactFooter();
QString backendURLHint();
QString termsPrivacyBody();
// The device-nickname field's example, naming the kind of computer this build runs on.
QString parentNicknamePlaceholder();
QString childNicknamePlaceholder();

} // namespace NamedTexts
