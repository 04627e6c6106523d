#include "Models/NamedTexts.h"

#include "Models/L10n.h"
#include "Platform/HostSystem.h"

using namespace Qt::StringLiterals;

namespace {

QString orChinese(const QString& localized, const char* key, const QString& chinese)
{
    return localized == QString::fromUtf8(key) ? chinese : localized;
}

} // namespace

namespace NamedTexts {

// The texts below that speak of a Mac are the macOS build's; elsewhere the same place speaks of
// this computer and of the local steps.
QString macHelpBody()
{
    if constexpr (HostSystem::isMac) {
        return orChinese(
            L10n::localized("MacHelpBody"), "MacHelpBody",
            u"遇到问题时，可以先看下面的常见情况；仍未解决，请在「更多」→「意见反馈」里告诉我们，"
            "写明是家长还是孩子的 Mac，以及发生的时间。"_s);
    }
    return orChinese(L10n::localized("LinuxHelpBody"), "LinuxHelpBody",
                     u"遇到问题时，可以先看下面的常见情况；仍未解决，请在「更多」→「意见反馈」里告诉我们，"
                     "写明是家长还是孩子的电脑，以及发生的时间。"_s);
}

QString macNoAPNsTestingNote()
{
    if constexpr (HostSystem::isMac) {
        return orChinese(
            L10n::localized("Mac 无 APNs 测试说明"), "Mac 无 APNs 测试说明",
            u"Mac 版不使用推送服务：孩子的 Mac 大约每 45 秒向服务器同步一次规则，家长的 Mac 在首页打开时"
            "每 20 秒查看一次新的解锁申请。测试时请保持两台电脑联网，并稍等片刻再确认结果。"_s);
    }
    return orChinese(
        L10n::localized("Linux 测试说明"), "Linux 测试说明",
        u"岚哨不使用推送服务：孩子的电脑大约每 45 秒向服务器同步一次规则，家长的电脑只要岚哨在运行，"
        "就每 20 秒查看一次新的解锁申请。测试时请保持两台电脑联网，并稍等片刻再确认结果。"_s);
}

QString feedbackContentFooter()
{
    return orChinese(L10n::localized("反馈内容说明页脚"), "反馈内容说明页脚",
                     u"请描述遇到的问题或建议，尽量写明操作步骤和发生时间。提交时会附带应用版本和系统版本，"
                     "已加入家庭的电脑还会附带设备标识和家庭码，便于我们排查。"_s);
}

QString contactPlaceholder()
{
    return orChinese(L10n::localized("联系方式占位"), "联系方式占位", u"邮箱、手机号或微信号"_s);
}

QString contactFooter()
{
    return orChinese(L10n::localized("联系方式页脚"), "联系方式页脚",
                     u"留下联系方式，方便我们在需要时向你了解详情；不填也可以提交。"_s);
}

QString backendURLHint()
{
    return orChinese(L10n::localized("BackendUrlHintMac"), "BackendUrlHintMac",
                     u"一般无需修改。只有自建服务器或测试时，才需要填写以 https:// 开头的服务地址；"
                     "家长和孩子的电脑要使用同一个地址。留空并保存即恢复默认地址。"_s);
}

QString termsPrivacyBody()
{
    if constexpr (HostSystem::isMac) {
        return orChinese(
            L10n::localized("TermsPrivacyBodyMac"), "TermsPrivacyBodyMac",
            u"欢迎使用岚哨。使用前，请阅读并同意《用户协议》和《隐私政策》。岚哨会在孩子的 Mac 上"
            "记录受控应用的使用时长，并把规则、用量、设备状态和解锁申请同步到家庭服务器，仅用于家长管理"
            "孩子的屏幕时间；我们不会读取应用里的内容。你可以随时在孩子设备上退出家庭并删除这些数据。"_s);
    }
    return orChinese(
        L10n::localized("TermsPrivacyBodyLinux"), "TermsPrivacyBodyLinux",
        u"欢迎使用岚哨。使用前，请阅读并同意《用户协议》和《隐私政策》。岚哨会在孩子的电脑上"
        "记录受控应用的使用时长，并把规则、用量、设备状态和解锁申请同步到家庭服务器，仅用于家长管理"
        "孩子的屏幕时间；我们不会读取应用里的内容。你可以随时在孩子设备上退出家庭并删除这些数据。"_s);
}

QString parentNicknamePlaceholder()
{
    return HostSystem::isMac ? L10n::localized("本设备昵称（如：家长的 Mac）")
                             : L10n::localized("本设备昵称（如：家长的电脑）");
}

QString childNicknamePlaceholder()
{
    return HostSystem::isMac ? L10n::localized("本设备昵称（如：小明的 Mac）")
                             : L10n::localized("本设备昵称（如：小明的电脑）");
}

} // namespace NamedTexts
