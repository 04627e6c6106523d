#pragma once

#include "Models/ParentalPasswordStore.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;

// The sheet that asks for the parent password before a guarded action. On a match it calls
// `onVerified` (the presenter closes the sheet and acts); otherwise it says so in red and keeps
// what was typed. With no password set, or a keychain that cannot be read, it says that instead.
class MacVerifyPasswordView final : public QDialog
{
    Q_OBJECT

public:
    MacVerifyPasswordView(ParentalPasswordStore& store, std::function<void()> onVerified,
                          QWidget* parent = nullptr);

    // Checks a password the way this sheet does: empty on a match, otherwise the sentence it shows.
    static QString refusal(ParentalPasswordStore& store, const QString& password);

    QString password() const;
    // Empty while no attempt has failed.
    QString errorMessage() const;

public slots:
    void confirm();

private:
    static QString storeProblem(ParentalPasswordStore::State state);
    // Says why no password can be checked; false when one can.
    bool showStoreProblem(ParentalPasswordStore::State state);

    ParentalPasswordStore& m_store;
    std::function<void()> m_onVerified;
    QLineEdit* m_password = nullptr;
    QLabel* m_errorMessage = nullptr;
};
