#include "Views/ParentPasswordGate.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"
#include "Views/AlertPresenter.h"

namespace ParentPasswordGate {

Outcome ask(ParentalPasswordStore& store, AlertPresenter& alerts, const Prompt& prompt)
{
    switch (store.refresh()) {
    case ParentalPasswordStore::State::none:
        return Outcome::noPassword;
    case ParentalPasswordStore::State::unreadable:
        alerts.runModal({ L10n::localized("暂时无法读取家长密码"),
                          L10n::localized("系统钥匙环现在打不开。请解锁钥匙环（或稍等它启动）后重试。"),
                          { L10n::localized("好") },
                          false });
        return Outcome::refused;
    case ParentalPasswordStore::State::set:
        break;
    }
    const AlertPresenter::Answer answer = alerts.runModal(
        { prompt.title, prompt.message, { prompt.confirmLabel, L10n::localized("取消") }, true });
    if (answer.button != 0) {
        return Outcome::refused;
    }
    if (!store.verify(answer.fieldText)) {
        alerts.runModal({ L10n::localized("家长密码不正确"), QString(), { L10n::localized("好") }, false });
        return Outcome::refused;
    }
    return Outcome::confirmed;
}

bool confirm(ParentalPasswordStore& store, AlertPresenter& alerts, const QString& action)
{
    return ask(store, alerts, { L10n::localized("需要家长密码"), action, L10n::localized("确认") })
        != Outcome::refused;
}

} // namespace ParentPasswordGate
