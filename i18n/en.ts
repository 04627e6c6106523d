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
    <message>
        <source>服务地址不合法</source>
        <translation>Invalid server address</translation>
    </message>
    <message>
        <source>该家庭码不存在或已失效，请向家长确认正确的 6 位家庭码后重新输入。</source>
        <translation>This family code does not exist or has expired. Ask your parent for the correct 6-digit family code and enter it again.</translation>
    </message>
    <message>
        <source>本小时内解锁申请次数已达上限，请一小时后重试。</source>
        <translation>You have reached the limit of unlock requests for this hour. Please try again in an hour.</translation>
    </message>
    <message>
        <source>数据格式异常，请刷新重试。</source>
        <translation>The data format is invalid. Please refresh and try again.</translation>
    </message>
    <message>
        <source>请检查网络连接</source>
        <translation>Please check your network connection</translation>
    </message>
    <message>
        <source>连接超时，请重试</source>
        <translation>The connection timed out. Please try again</translation>
    </message>
    <message>
        <source>无法连接服务器，请确认设备与电脑在同一 Wi‑Fi</source>
        <translation>Cannot reach the server. Make sure this device and the computer are on the same Wi‑Fi</translation>
    </message>
    <message>
        <source>网络异常，请稍后重试。</source>
        <translation>Network error. Please try again later.</translation>
    </message>
    <message>
        <source>操作失败，请稍后重试。</source>
        <translation>The operation failed. Please try again later.</translation>
    </message>
    <message>
        <source>未能读取数据，因为它的格式不正确。</source>
        <translation>The data couldn’t be read because it isn’t in the correct format.</translation>
    </message>
    <message>
        <source>未能写入数据，因为它的格式不正确。</source>
        <translation>The data couldn’t be written because it isn’t in the correct format.</translation>
    </message>
    <message>
        <source>设备已被家长一键锁定</source>
        <translation>This computer has been locked by a parent</translation>
    </message>
    <message>
        <source>当前处于禁用时段：%@ - 次日 %@</source>
        <translation>Blocked period: %@ - next day %@</translation>
    </message>
    <message>
        <source>今日使用已达上限（%d 分钟）</source>
        <translation>Today's limit has been reached (%d minutes)</translation>
    </message>
    <message>
        <source>视力保护休息中（%d 分钟）</source>
        <translation>Eye-rest break (%d minutes)</translation>
    </message>
    <message>
        <source>向家长申请解锁</source>
        <translation>Ask a parent to unlock</translation>
    </message>
    <message>
        <source>家长在身边时，输入家长密码立即解锁</source>
        <translation>Parent nearby? Enter the parent password to unlock now</translation>
    </message>
</context>
</TS>
