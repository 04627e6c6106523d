#include "Services/MacHelpContent.h"

#include "Models/NamedTexts.h"
#include "Platform/HostSystem.h"

using namespace Qt::StringLiterals;

namespace MacHelpContent {

QString introduction()
{
    return NamedTexts::macHelpBody();
}

QString testingNote()
{
    return NamedTexts::macNoAPNsTestingNote();
}

QList<HelpBlock> blocks()
{
    return blocksFor(introduction());
}

namespace {

// The same cases for a Linux computer: installed from a package, and "this computer" for a Mac.
QList<HelpBlock> linuxBlocks(bool english)
{
    if (english) {
        return {
            { u"Install and updates"_s,
              u"Install Vantorel from its package for your distribution and open it from the applications menu. On launch the app checks for a newer build; installing one asks for the administrator password once."_s },
            { u"Step 1: the parent's computer creates a family"_s,
              u"Open Vantorel → Identity / basic setup → parent → create a family. Keep the 6-digit code. To reuse an old family, restore it with that code."_s },
            { u"Step 2: the child's computer joins"_s,
              u"On the child's computer choose the child role and enter the code. Select the apps to control on that computer. Daily limits and blocked hours apply only to those apps. A parent password set on the parent's computer does not unlock the child's; set the password on the child's computer."_s },
            { u"Why it locked"_s,
              u"A parent locked it, a blocked period is active, today's controlled-app time is used up, or an eye-rest break is running."_s },
            { u"Child asks, parent decides"_s,
              u"The child requests unlock. The parent approves or denies it from the child-device list. If a parent is beside the child's computer, they can type the parent password there."_s },
            { u"Quitting and the child guard"_s,
              u"After the guard is on, the child's standard account cannot remove the app, and a killed app comes back. Turning the guard off or quitting asks for the parent password. Installing an update still needs the administrator password."_s },
            { u"Rules did not apply"_s,
              u"Confirm the child's computer joined the family and selected controlled apps. After the parent saves, reopen Vantorel on the child's computer. If the code is rejected, use the current 6-digit code."_s },
        };
    }
    return {
        { u"安装与更新"_s,
          u"用发行版对应的软件包安装岚哨，再从应用菜单打开。每次打开会检查新版本；安装新版本时要输入一次本机管理员密码。"_s },
        { u"第 1 步：家长的电脑创建家庭"_s,
          u"打开岚哨 →「身份 / 基础设置」→ 选择家长 → 创建家庭。记下 6 位家庭码。已有家庭就用原码恢复。"_s },
        { u"第 2 步：孩子的电脑加入"_s,
          u"在孩子的电脑上选择孩子，输入家庭码，并在这台电脑上勾选受控应用。每日时长和禁用时段只对这些应用生效。家长那台电脑上设的家长密码解不开孩子这台，密码要在孩子的电脑上设置。"_s },
        { u"为什么被锁了"_s, u"家长远程锁定、到了禁用时段、今天受控应用用满，或正在视力保护的强制休息。"_s },
        { u"孩子申请，家长点头"_s,
          u"孩子发起解锁申请。家长在孩子设备列表里同意或拒绝。家长在这台电脑旁边时，可以输入家长密码立刻解开。"_s },
        { u"退出和孩子守护"_s,
          u"打开守护之后，孩子的标准账户删不掉岚哨，被强行结束也会被拉起来。关掉守护或退出需要家长密码。安装新版本时，仍然要本机管理员密码。"_s },
        { u"规则没生效"_s,
          u"确认孩子的电脑已加入家庭并选过受控应用。家长保存规则后，让孩子重新打开岚哨。家庭码被拒绝时，向家长要当前的 6 位码。"_s },
    };
}

} // namespace

QList<HelpBlock> blocksFor(const QString& localizedIntroduction)
{
    if constexpr (HostSystem::isMac) {
        return macBlocksFor(localizedIntroduction);
    }
    return linuxBlocks(localizedIntroduction.startsWith(u"Submit"_s));
}

QList<HelpBlock> macBlocksFor(const QString& localizedIntroduction)
{
    if (localizedIntroduction.startsWith(u"Submit"_s)) {
        return {
            { u"Install and updates"_s,
              u"Open the notarized disk image and drag 岚哨 into Applications. On launch the app checks for a newer build. Installing it replaces the copy in Applications and asks for an administrator password once."_s },
            { u"Step 1: parent Mac creates a family"_s,
              u"Open 岚哨 → Identity / basic setup → parent → create a family. Keep the 6-digit code. To reuse an old family, restore it with that code."_s },
            { u"Step 2: child Mac joins"_s,
              u"On the child Mac choose the child role and enter the code. Select the apps to control on that Mac. Daily limits and blocked hours apply only to those apps. A parent password set on the parent Mac does not unlock the child Mac; set the password on the child Mac."_s },
            { u"Why it locked"_s,
              u"A parent locked it, a blocked period is active, today's controlled-app time is used up, or an eye-rest break is running."_s },
            { u"Child asks, parent decides"_s,
              u"The child requests unlock. The parent approves or denies it from the child-device list. If a parent is beside the child Mac, they can type the parent password there."_s },
            { u"Quitting and the child guard"_s,
              u"After the guard is on, a standard account cannot delete the app, and force-quit is brought back. Turning the guard off or quitting asks for the parent password. An administrator password is still required when an update replaces the app in Applications."_s },
            { u"Rules did not apply"_s,
              u"Confirm the child Mac joined the family and selected controlled apps. After the parent saves, reopen 岚哨 on the child Mac. If the code is rejected, use the current 6-digit code."_s },
        };
    }
    return {
        { u"安装与更新"_s,
          u"打开已公证的磁盘映像，把岚哨拖进「应用程序」。每次打开会检查新版本。安装时会替换「应用程序」里的岚哨，并要输入一次本机管理员密码。"_s },
        { u"第 1 步：家长的 Mac 创建家庭"_s,
          u"打开岚哨 →「身份 / 基础设置」→ 选择家长 → 创建家庭。记下 6 位家庭码。已有家庭就用原码恢复。"_s },
        { u"第 2 步：孩子的 Mac 加入"_s,
          u"在孩子的 Mac 上选择孩子，输入家庭码，并在这台 Mac 上勾选受控应用。每日时长和禁用时段只对这些应用生效。家长那台 Mac 上设的家长密码解不开孩子这台，密码要在孩子的 Mac 上设置。"_s },
        { u"为什么被锁了"_s, u"家长远程锁定、到了禁用时段、今天受控应用用满，或正在视力保护的强制休息。"_s },
        { u"孩子申请，家长点头"_s,
          u"孩子发起解锁申请。家长在孩子设备列表里同意或拒绝。家长在这台 Mac 旁边时，可以输入家长密码立刻解开。"_s },
        { u"退出和孩子守护"_s,
          u"打开守护之后，标准用户删不掉岚哨，强制退出也会被拉起来。关掉守护或退出需要家长密码。更新替换「应用程序」里的岚哨时，仍然要本机管理员密码。"_s },
        { u"规则没生效"_s,
          u"确认孩子的 Mac 已加入家庭并选过受控应用。家长保存规则后，让孩子重新打开岚哨。家庭码被拒绝时，向家长要当前的 6 位码。"_s },
    };
}

} // namespace MacHelpContent
