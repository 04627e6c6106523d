<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>L10n</name>
    <message>
        <source>输入家长密码</source>
        <translation>Enter the parent password</translation>
    </message>
    <message>
        <source>请输入密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>密码错误，请重试</source>
        <translation>Wrong password, please try again</translation>
    </message>
    <message>
        <source>岚哨</source>
        <translation>Vantorel</translation>
    </message>
    <message>
        <source>有孩子申请加时，现在共 %d 条。</source>
        <translation>A child asked for more time. %d requests are waiting.</translation>
    </message>
    <message>
        <source>无法退出</source>
        <translation>Cannot quit</translation>
    </message>
    <message>
        <source>尚未设置家长密码。请用家长的管理员账号关闭岚哨守护。</source>
        <translation>No parent password has been set. Turn off the Vantorel guard with the parent&apos;s administrator account.</translation>
    </message>
    <message>
        <source>好</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>退出岚哨需要家长密码</source>
        <translation>Quitting Vantorel needs the parent password</translation>
    </message>
    <message>
        <source>确认后会卸掉开机守护。安装在「应用程序」里的岚哨仍由系统管理员持有，标准用户无法删除。</source>
        <translation>Confirming removes the startup guard. The copy of Vantorel in Applications stays owned by the administrator; a standard user cannot delete it.</translation>
    </message>
    <message>
        <source>确认退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>家长密码不正确</source>
        <translation>The parent password is wrong</translation>
    </message>
    <message>
        <source>发现新版本 %@</source>
        <translation>New version %@ available</translation>
    </message>
    <message>
        <source>安装后会替换「应用程序」里的岚哨。需要输入本机管理员密码。</source>
        <translation>Installing replaces Vantorel in Applications. The administrator password of this computer is needed.</translation>
    </message>
    <message>
        <source>现在安装</source>
        <translation>Install Now</translation>
    </message>
    <message>
        <source>稍后</source>
        <translation>Later</translation>
    </message>
</context>
</TS>
