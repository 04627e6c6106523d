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
        <source>安装后会替换本机系统目录里的岚哨。需要输入本机管理员密码。</source>
        <translation>Installing replaces Vantorel in this computer's system folder. The administrator password of this computer is needed.</translation>
    </message>
    <message>
        <source>确认后会卸掉开机守护。本机系统目录里的岚哨仍由系统管理员持有，标准用户无法删除。</source>
        <translation>Confirming removes the startup guard. The copy of Vantorel in this computer's system folder stays owned by the administrator; a standard user cannot delete it.</translation>
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
        <translation>Today&apos;s limit has been reached (%d minutes)</translation>
    </message>
    <message>
        <source>视力保护休息中（%d 分钟）</source>
        <translation>Eye-rest break (%d minutes)</translation>
    </message>
    <message>
        <source>岚哨锁屏</source>
        <translation>Vantorel lock screen</translation>
    </message>
    <message>
        <source>向家长申请解锁</source>
        <translation>Ask a parent to unlock</translation>
    </message>
    <message>
        <source>家长在身边时，输入家长密码立即解锁</source>
        <translation>Parent nearby? Enter the parent password to unlock now</translation>
    </message>
    <message>
        <source>TermsPrivacyBodyMac</source>
        <translation>Before you start, please read the User Agreement and the Privacy Policy. Vantorel keeps your family&apos;s settings on this computer and on your family server only.</translation>
    </message>
    <message>
        <source>TermsPrivacyBodyLinux</source>
        <translation>Before you start, please read the User Agreement and the Privacy Policy. Vantorel records how long the controlled apps are used on the child's computer and syncs rules, usage, device state and unlock requests with your family server, only so that parents can manage their children's screen time; it never reads what is inside the apps. You can leave the family and delete this data on the child's device at any time.</translation>
    </message>
    <message>
        <source>上一步</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>两次输入不一致，请重试</source>
        <translation>The passwords do not match, please try again</translation>
    </message>
    <message>
        <source>今日已用：%d 分钟</source>
        <translation>Used today: %d min</translation>
    </message>
    <message>
        <source>今日用量说明（不含休息）</source>
        <translation>Today&apos;s usage (breaks not counted)</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>修改设备昵称</source>
        <translation>Rename device</translation>
    </message>
    <message>
        <source>关闭本窗口后，可在首屏查看孩子设备列表、规则设置与解锁申请处理。</source>
        <translation>After closing this window, the home screen lists the child devices, their rules and their unlock requests.</translation>
    </message>
    <message>
        <source>再次输入密码</source>
        <translation>Enter the password again</translation>
    </message>
    <message>
        <source>创建后将获得 6 位家庭码，请让孩子设备输入该家庭码加入。</source>
        <translation>Creating a family gives you a 6-digit family code; enter it on the child&apos;s computer to join.</translation>
    </message>
    <message>
        <source>创建家庭</source>
        <translation>Create family</translation>
    </message>
    <message>
        <source>创建或恢复家庭</source>
        <translation>Create or restore a family</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>加入家庭</source>
        <translation>Join family</translation>
    </message>
    <message>
        <source>同意并继续</source>
        <translation>Agree and continue</translation>
    </message>
    <message>
        <source>后端服务地址不合法或未配置，家长端无法连接远程控制后端。</source>
        <translation>The server address is invalid or not set; this parent computer cannot reach the family server.</translation>
    </message>
    <message>
        <source>孩子</source>
        <translation>Child</translation>
    </message>
    <message>
        <source>孩子端</source>
        <translation>Child</translation>
    </message>
    <message>
        <source>孩子设备</source>
        <translation>Child device</translation>
    </message>
    <message>
        <source>孩子设备尚未绑定远程后端，请在「身份 / 基础设置」中加入家庭。</source>
        <translation>This child computer is not bound to the family server yet; join a family in “Role / Basic settings”.</translation>
    </message>
    <message>
        <source>守护孩子健康、视力与专注力</source>
        <translation>Guarding children&apos;s health, eyesight and focus</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>家庭创建成功，家庭码：%@</source>
        <translation>Family created, family code: %@</translation>
    </message>
    <message>
        <source>家庭孩子设备</source>
        <translation>Child devices of the family</translation>
    </message>
    <message>
        <source>家庭码</source>
        <translation>Family code</translation>
    </message>
    <message>
        <source>家庭码：</source>
        <translation>Family code: </translation>
    </message>
    <message>
        <source>家长</source>
        <translation>Parent</translation>
    </message>
    <message>
        <source>家长密码</source>
        <translation>Parent password</translation>
    </message>
    <message>
        <source>家长端</source>
        <translation>Parent</translation>
    </message>
    <message>
        <source>家长设备</source>
        <translation>Parent device</translation>
    </message>
    <message>
        <source>尚未创建或恢复家庭，请在「身份 / 基础设置」中创建家庭或输入已有家庭码。</source>
        <translation>No family is created or restored yet; create one or enter an existing family code in “Role / Basic settings”.</translation>
    </message>
    <message>
        <source>尚未完成远程绑定，无法向家长申请解锁。</source>
        <translation>This computer is not bound to a family yet, so it cannot ask a parent to unlock.</translation>
    </message>
    <message>
        <source>尚未有孩子设备加入该家庭，请在孩子设备上选择「孩子」角色并输入家庭码。</source>
        <translation>No child device has joined this family yet. On the child&apos;s computer, choose the “Child” role and enter the family code.</translation>
    </message>
    <message>
        <source>尚未选择受管控的应用，请在「调整规则」中完成一次受控应用选择。</source>
        <translation>No controlled applications are chosen yet; choose them once in “Adjust rules”.</translation>
    </message>
    <message>
        <source>已加入家庭</source>
        <translation>Joined the family</translation>
    </message>
    <message>
        <source>已向家长发出解锁申请</source>
        <translation>Your unlock request was sent to your parent</translation>
    </message>
    <message>
        <source>已清除本机绑定</source>
        <translation>This computer&apos;s binding was cleared</translation>
    </message>
    <message>
        <source>已清除，请重新创建或恢复家庭。</source>
        <translation>Cleared. Create or restore a family again.</translation>
    </message>
    <message>
        <source>已绑定</source>
        <translation>bound</translation>
    </message>
    <message>
        <source>当前家庭码：%@</source>
        <translation>Current family code: %@</translation>
    </message>
    <message>
        <source>当前设备尚未选择角色，请在「身份 / 基础设置」中选择是家长设备还是孩子设备。</source>
        <translation>This computer has no role yet; choose parent or child in “Role / Basic settings”.</translation>
    </message>
    <message>
        <source>待处理解锁申请：%d 条</source>
        <translation>Pending unlock requests: %d</translation>
    </message>
    <message>
        <source>恢复家庭</source>
        <translation>Restore family</translation>
    </message>
    <message>
        <source>恢复成功</source>
        <translation>Family restored</translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>更多</source>
        <translation>More</translation>
    </message>
    <message>
        <source>未绑定</source>
        <translation>not bound</translation>
    </message>
    <message>
        <source>未选择</source>
        <translation>not chosen</translation>
    </message>
    <message>
        <source>未配置</source>
        <translation>not set</translation>
    </message>
    <message>
        <source>本机已设置家长密码，可点击「下一步」继续创建或恢复家庭。</source>
        <translation>A parent password is set on this computer; press “Next” to create or restore a family.</translation>
    </message>
    <message>
        <source>本机当前规则</source>
        <translation>Current rules of this computer</translation>
    </message>
    <message>
        <source>本设备已绑定上述家庭。可重新创建家庭（将获得新码）或清除本地信息后恢复/创建。</source>
        <translation>This computer is bound to the family above. You can create a new family (with a new code), or clear the local information and then restore or create one.</translation>
    </message>
    <message>
        <source>本设备昵称（如：家长的 Mac）</source>
        <translation>Nickname of this computer (e.g. Dad&apos;s computer)</translation>
    </message>
    <message>
        <source>本设备昵称（如：小明的 Mac）</source>
        <translation>Nickname of this computer (e.g. Tom&apos;s computer)</translation>
    </message>
    <message>
        <source>本设备昵称（如：家长的电脑）</source>
        <translation>Nickname of this device (e.g. Parent's computer)</translation>
    </message>
    <message>
        <source>本设备昵称（如：小明的电脑）</source>
        <translation>Nickname of this device (e.g. Sam's computer)</translation>
    </message>
    <message>
        <source>检查完成：发现以下可能影响正常使用的问题——

%@</source>
        <translation>Check finished. These problems may get in the way:

%@</translation>
    </message>
    <message>
        <source>检查完成：当前配置看起来正常。

设备角色：%@
家庭码：%@
远程绑定：%@</source>
        <translation>Check finished: the configuration looks fine.

Role: %@
Family code: %@
Server binding: %@</translation>
    </message>
    <message>
        <source>此操作将解除本设备与家庭的绑定，孩子可能随后卸载岚哨。输入家长密码以确认。</source>
        <translation>This unbinds this computer from the family; the child could then uninstall Vantorel. Enter the parent password to confirm.</translation>
    </message>
    <message>
        <source>每日上限：%d 分钟</source>
        <translation>Daily limit: %d min</translation>
    </message>
    <message>
        <source>清除本地家庭信息</source>
        <translation>Clear local family information</translation>
    </message>
    <message>
        <source>清除本机绑定需家长密码确认</source>
        <translation>Clearing this computer&apos;s binding needs the parent password</translation>
    </message>
    <message>
        <source>清除本机绑定，重新加入家庭</source>
        <translation>Clear this computer&apos;s binding and join again</translation>
    </message>
    <message>
        <source>用户协议与隐私政策</source>
        <translation>User Agreement and Privacy Policy</translation>
    </message>
    <message>
        <source>自检结果</source>
        <translation>Self-check result</translation>
    </message>
    <message>
        <source>规则设置</source>
        <translation>Rules</translation>
    </message>
    <message>
        <source>解锁申请</source>
        <translation>Unlock requests</translation>
    </message>
    <message>
        <source>设置家长密码</source>
        <translation>Set the parent password</translation>
    </message>
    <message>
        <source>设置密码</source>
        <translation>Set password</translation>
    </message>
    <message>
        <source>请先点击「身份 / 基础设置」→ 选择本设备角色（家长 / 孩子）→ 完成绑定后再设置规则。</source>
        <translation>First open “Role / Basic settings”, choose this computer&apos;s role (parent / child) and finish the binding, then set the rules.</translation>
    </message>
    <message>
        <source>请设置家长密码，用于孩子端「立即解锁」及清除绑定时验证。</source>
        <translation>Set a parent password. It is asked for to unlock a child computer on the spot and to clear a binding.</translation>
    </message>
    <message>
        <source>请输入家长提供的 6 位家庭码。</source>
        <translation>Enter the 6-digit family code your parent gives you.</translation>
    </message>
    <message>
        <source>调整规则</source>
        <translation>Adjust rules</translation>
    </message>
    <message>
        <source>身份 / 基础设置</source>
        <translation>Identity / basic setup</translation>
    </message>
    <message>
        <source>输入已有家庭码（6 位）</source>
        <translation>Existing family code (6 digits)</translation>
    </message>
    <message>
        <source>选择受管控的应用</source>
        <translation>Choose controlled applications</translation>
    </message>
    <message>
        <source>选择本设备角色</source>
        <translation>Choose the role of this computer</translation>
    </message>
    <message>
        <source>配置完成</source>
        <translation>All set</translation>
    </message>
    <message>
        <source>防卸载说明（Mac）</source>
        <translation>About uninstall protection</translation>
    </message>
    <message>
        <source>打开孩子守护后，孩子的标准账户删不掉岚哨，强制退出后几秒内它会自己回来；关闭守护或退出岚哨都要输入家长密码。守护需要在这台电脑上由管理员允许一次。孩子若使用管理员账户，这些保护都能被绕开，请给孩子使用标准账户。</source>
        <translation>With the child guard on, the child&apos;s standard account cannot delete 岚哨, and a forced quit brings it back within seconds; turning the guard off or quitting 岚哨 asks for the parent password. An administrator must allow the guard once on this computer. If the child uses an administrator account, all of this can be got around, so give the child a standard account.</translation>
    </message>
    <message>
        <source>防止孩子卸载</source>
        <translation>Keep the child from uninstalling</translation>
    </message>
    <message>
        <source>首次使用请点「创建新家庭」，记下 6 位家庭码后让孩子加入。若曾创建或重装，可输入原家庭码「恢复家庭」。</source>
        <translation>First time? Press “Create family”, note the 6-digit family code and let the child join with it. If you created a family before or reinstalled, enter its code and press “Restore family”.</translation>
    </message>
    <message>
        <source>首次使用？</source>
        <translation>First time here?</translation>
    </message>
    <message>
        <source>MacHelpBody</source>
        <translation>Submit a question through More → Feedback if the cases below do not solve it. Say whether it happened on the parent or the child Mac, and when.</translation>
    </message>
    <message>
        <source>LinuxHelpBody</source>
        <translation>Submit a question through More → Feedback if the cases below do not solve it. Say whether it happened on the parent's or the child's computer, and when.</translation>
    </message>
    <message>
        <source>Linux 测试说明</source>
        <translation>Vantorel uses no push service: the child's computer syncs its rules with the server about every 45 seconds, and the parent's computer checks for new unlock requests every 20 seconds while Vantorel runs. When testing, keep both computers online and allow a moment before checking the result.</translation>
    </message>
    <message>
        <source>Mac 无 APNs 测试说明</source>
        <translation>The Mac version uses no push service: the child Mac syncs its rules with the server about every 45 seconds, and the parent Mac checks for new unlock requests every 20 seconds while its home screen is open. When testing, keep both computers online and allow a moment before checking the result.</translation>
    </message>
    <message>
        <source>反馈内容说明页脚</source>
        <translation>Describe the problem or the idea, with the steps you took and when it happened. The app version and system version are sent along; a computer that joined a family also sends its device ID and family code, so that we can look into it.</translation>
    </message>
    <message>
        <source>联系方式占位</source>
        <translation>E-mail, phone or WeChat ID</translation>
    </message>
    <message>
        <source>联系方式页脚</source>
        <translation>Leave a way to reach you if we may ask for details; you can also submit without it.</translation>
    </message>
    <message>
        <source>BackendUrlHintMac</source>
        <translation>Usually there is nothing to change here. Only for your own server or for testing, enter an address starting with https://; the parent and child computers must use the same address. Saving an empty field restores the default address.</translation>
    </message>
    <message>
        <source>%@ %@</source>
        <translation>%@ %@</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>邮箱</source>
        <translation>E-mail</translation>
    </message>
    <message>
        <source>电话</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>微信</source>
        <translation>WeChat</translation>
    </message>
    <message>
        <source>运营者</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>%@ · 规则设置</source>
        <translation>%@ · Rules</translation>
    </message>
    <message>
        <source>设备健康尚未上报</source>
        <translation>Device health not reported yet</translation>
    </message>
    <message>
        <source>设备监管状态：就绪</source>
        <translation>Supervision: ready</translation>
    </message>
    <message>
        <source>设备监管状态：存在未就绪项</source>
        <translation>Supervision: some items are not ready</translation>
    </message>
    <message>
        <source>没有其他孩子设备</source>
        <translation>No other child devices</translation>
    </message>
    <message>
        <source>已用到另外 %d 个孩子。立即锁定不会一起复制。</source>
        <translation>Applied to %d other children. Immediate lock is not copied.</translation>
    </message>
    <message>
        <source>服务地址不合法，无法提交反馈。</source>
        <translation>The server address is not valid, so the feedback cannot be sent.</translation>
    </message>
    <message>
        <source>感谢反馈已收到</source>
        <translation>Thank you, your feedback was received</translation>
    </message>
    <message>
        <source>设备：%@</source>
        <translation>Device: %@</translation>
    </message>
    <message>
        <source>原因：%@</source>
        <translation>Reason: %@</translation>
    </message>
    <message>
        <source>申请延长：%d 分钟</source>
        <translation>Asks for %d more minutes</translation>
    </message>
    <message>
        <source>设备：</source>
        <translation>Device: </translation>
    </message>
    <message>
        <source>远程配置未完成，无法加载解锁申请。</source>
        <translation>Remote setup is not complete, so unlock requests cannot be loaded.</translation>
    </message>
    <message>
        <source>孩子设备状态</source>
        <translation>Child devices</translation>
    </message>
    <message>
        <source>有 %lld 个孩子在申请加时</source>
        <translation>%lld children are asking for more time</translation>
    </message>
    <message>
        <source>有 1 个孩子在申请加时</source>
        <translation>1 child is asking for more time</translation>
    </message>
    <message>
        <source>有孩子申请加时，现在共 1 条。</source>
        <translation>A child asked for more time. 1 request is waiting.</translation>
    </message>
    <message>
        <source>申请延长：1 分钟</source>
        <translation>Asks for 1 more minute</translation>
    </message>
    <message>
        <source>已用到另外 1 个孩子。立即锁定不会一起复制。</source>
        <translation>Applied to 1 other child. Immediate lock is not copied.</translation>
    </message>
    <message>
        <source>关于我们</source>
        <translation>About</translation>
    </message>
    <message>
        <source>岚哨 Mac 版</source>
        <translation>Vantorel for Mac</translation>
    </message>
    <message>
        <source>岚哨 Linux 版</source>
        <translation>Vantorel for Linux</translation>
    </message>
    <message>
        <source>守护孩子健康、视力与专注力。</source>
        <translation>Protecting children&apos;s health, eyesight and focus.</translation>
    </message>
    <message>
        <source>后端服务地址</source>
        <translation>Server address</translation>
    </message>
    <message>
        <source>保存地址</source>
        <translation>Save address</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore default</translation>
    </message>
    <message>
        <source>加载中…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>每日上限（分钟）</source>
        <translation>Daily limit (minutes)</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>禁用时段</source>
        <translation>Blocked period</translation>
    </message>
    <message>
        <source>从</source>
        <translation>From</translation>
    </message>
    <message>
        <source>到次日</source>
        <translation>Until next day</translation>
    </message>
    <message>
        <source>立即锁定</source>
        <translation>Lock now</translation>
    </message>
    <message>
        <source>受控应用需在孩子设备上完成一次性选择；此处仅可远程调整每日时长、禁用时段与立即锁定。</source>
        <translation>Controlled apps are chosen once on the child device; here you can only change the daily time, the blocked period and the immediate lock.</translation>
    </message>
    <message>
        <source>用到其他孩子</source>
        <translation>Apply to other children</translation>
    </message>
    <message>
        <source>保存规则</source>
        <translation>Save rules</translation>
    </message>
    <message>
        <source>删除孩子设备</source>
        <translation>Remove child device</translation>
    </message>
    <message>
        <source>删除后，该孩子设备将不再受家庭规则管理，不再统计用量，也无法再接收远程锁定与解锁指令。如需重新纳入管理，需在孩子设备上重新加入家庭。</source>
        <translation>Once removed, this child device no longer follows the family rules, its usage is no longer counted, and it no longer receives remote lock and unlock commands. To manage it again, join the family again on the child device.</translation>
    </message>
    <message>
        <source>删除此设备</source>
        <translation>Remove this device</translation>
    </message>
    <message>
        <source>请输入 0 到 %d 之间的整数</source>
        <translation>Enter a whole number from 0 to %d</translation>
    </message>
    <message>
        <source>临时解锁至 %@</source>
        <translation>Temporarily unlocked until %@</translation>
    </message>
    <message>
        <source>立即结束</source>
        <translation>End now</translation>
    </message>
    <message>
        <source>确定删除「%@」吗？</source>
        <translation>Remove “%@”?</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>意见反馈</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>问题类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>功能异常</source>
        <translation>Bug</translation>
    </message>
    <message>
        <source>功能建议</source>
        <translation>Suggestion</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>问题与建议（必填）</source>
        <translation>Problem or suggestion (required)</translation>
    </message>
    <message>
        <source>联系方式（可选）</source>
        <translation>Contact (optional)</translation>
    </message>
    <message>
        <source>提交反馈</source>
        <translation>Submit feedback</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>好的</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>使用帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>用户协议</source>
        <translation>User Agreement</translation>
    </message>
    <message>
        <source>隐私政策</source>
        <translation>Privacy Policy</translation>
    </message>
    <message>
        <source>解锁申请处理</source>
        <translation>Unlock requests</translation>
    </message>
    <message>
        <source>待处理申请</source>
        <translation>Pending requests</translation>
    </message>
    <message>
        <source>当前没有待处理的解锁申请。</source>
        <translation>There are no pending unlock requests.</translation>
    </message>
    <message>
        <source>同意解锁</source>
        <translation>Approve</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Deny</translation>
    </message>
    <message>
        <source>本次解锁使用时长约定</source>
        <translation>Agree on the extra time</translation>
    </message>
    <message>
        <source>请输入本次额外允许使用的分钟数，解锁后孩子设备将在本日剩余使用上限的基础上增加该时长。</source>
        <translation>Enter how many extra minutes to allow. After unlocking, this time is added to what is left of the child device&apos;s limit today.</translation>
    </message>
    <message>
        <source>建议根据当前场景与孩子约定一个明确的本次使用时长，例如完成某项任务后再额外使用 15 分钟。</source>
        <translation>Agree on a clear amount of time with your child, for example 15 more minutes after finishing a task.</translation>
    </message>
    <message>
        <source>例如 15</source>
        <translation>e.g. 15</translation>
    </message>
    <message>
        <source>确认并同意解锁</source>
        <translation>Confirm and approve</translation>
    </message>
    <message>
        <source>家长密码要在孩子那台 Mac 上设置，这台电脑上设的密码解不开孩子的电脑。</source>
        <translation>Set the parent password on the child&apos;s Mac; a password set on this computer does not unlock the child&apos;s computer.</translation>
    </message>
    <message>
        <source>孩子那台 Mac 需要在本机点一次管理员允许，岚哨才会在退出后自己回来。取消了的话，打开孩子电脑上的岚哨再允许一次。</source>
        <translation>The child&apos;s Mac needs one administrator approval on that Mac so that Vantorel comes back after being quit. If it was cancelled, open Vantorel on the child&apos;s computer and allow it again.</translation>
    </message>
    <message>
        <source>家长密码要在孩子那台电脑上设置，这台电脑上设的密码解不开孩子的电脑。</source>
        <translation>Set the parent password on the child's computer; a password set on this computer does not unlock the child's computer.</translation>
    </message>
    <message>
        <source>孩子那台电脑需要在本机输入一次管理员密码，岚哨才会在退出后自己回来。取消了的话，打开孩子电脑上的岚哨再允许一次。</source>
        <translation>The child's computer needs the administrator password once, on that computer, so that Vantorel comes back after being quit. If it was cancelled, open Vantorel on the child's computer and allow it again.</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>今日使用还剩 %d 分钟，到时受控应用会被锁定。</source>
        <translation>%d min of today&apos;s allowance left; then the controlled apps will be locked.</translation>
    </message>
    <message>
        <source>还有 %d 分钟进入禁用时段（%@ 开始），到时受控应用会被锁定。</source>
        <translation>The blocked period starts in %d min (at %@); then the controlled apps will be locked.</translation>
    </message>
    <message>
        <source>解锁申请已发出，正在等待家长处理</source>
        <translation>Unlock request sent, waiting for a parent to answer</translation>
    </message>
    <message>
        <source>这个家庭已开启家长保护。请在已绑定的家长电脑上点“更多 › 邀请另一台家长电脑”，把得到的邀请码填在下面。</source>
        <translation>This family is protected by its parents. On a parent computer bound to it, choose “More › Invite another parent computer” and enter the code it gives you below.</translation>
    </message>
    <message>
        <source>邀请另一台家长电脑</source>
        <translation>Invite another parent computer</translation>
    </message>
    <message>
        <source>有效期至 %@，仅可使用一次</source>
        <translation>Valid until %@, for one use only</translation>
    </message>
    <message>
        <source>复制邀请码</source>
        <translation>Copy invitation code</translation>
    </message>
    <message>
        <source>重新生成</source>
        <translation>New code</translation>
    </message>
    <message>
        <source>在另一台家长电脑的绑定向导里选择“恢复家庭”，输入家庭码和下面的邀请码。</source>
        <translation>On the other parent computer, choose “Restore family” in the binding wizard and enter the family code and the invitation code below.</translation>
    </message>
    <message>
        <source>邀请码（在已绑定的家长电脑上生成）</source>
        <translation>Invitation code (made on a bound parent computer)</translation>
    </message>
    <message>
        <source>再用 %d 分钟就到视力保护休息时间，受控应用将暂停 %d 分钟。</source>
        <translation>%d min of use left before an eye-rest break; the controlled apps will then pause for %d min.</translation>
    </message>
    <message>
        <source>休息还剩 %d 分钟</source>
        <translation>%d min of rest left</translation>
    </message>
    <message>
        <source>本机还没有设置家长密码。请先在「身份 / 基础设置」中设置家长密码，再修改视力保护。</source>
        <translation>No parent password is set on this computer. Set one in “Role / Basic settings” first, then change eye rest.</translation>
    </message>
    <message>
        <source>连续使用时长须在 %d 到 %d 分钟之间，休息时长须在 %d 到 %d 分钟之间。</source>
        <translation>Use before a break must be %d to %d min, and a break %d to %d min.</translation>
    </message>
    <message>
        <source>视力保护：已关闭</source>
        <translation>Eye rest: off</translation>
    </message>
    <message>
        <source>视力保护：每连续使用 %d 分钟休息 %d 分钟</source>
        <translation>Eye rest: after every %d min of use, a %d-min break</translation>
    </message>
    <message>
        <source>视力保护设置</source>
        <translation>Eye rest settings</translation>
    </message>
    <message>
        <source>连续使用受控应用到设定时长后，受控应用暂停一段时间，让眼睛休息。只保存在本机，需要家长密码。</source>
        <translation>After the set time of continuous use, the controlled apps pause for a while so the eyes can rest. Kept on this computer only; changing it needs the parent password.</translation>
    </message>
    <message>
        <source>开启视力保护</source>
        <translation>Eye rest on</translation>
    </message>
    <message>
        <source> 分钟</source>
        <translation> min</translation>
    </message>
    <message>
        <source>连续使用</source>
        <translation>Use before a break</translation>
    </message>
    <message>
        <source>每次休息</source>
        <translation>Each break</translation>
    </message>
    <message>
        <source>设备监管状态：这台电脑无法安装孩子守护（缺少 pkexec 或 polkit）</source>
        <translation>Supervision: the child guard cannot be installed on that computer (pkexec or polkit is missing)</translation>
    </message>
    <message>
        <source>设备监管状态：孩子守护未安装，需在孩子电脑上由管理员授权</source>
        <translation>Supervision: the child guard is not installed; an administrator must allow it on the child&apos;s computer</translation>
    </message>
    <message>
        <source>设备监管状态：孩子守护已安装，但没有运行</source>
        <translation>Supervision: the child guard is installed but not running</translation>
    </message>
    <message>
        <source>家长拒绝了这次解锁申请</source>
        <translation>A parent declined this unlock request</translation>
    </message>
    <message>
        <source>本设备已被家长移除</source>
        <translation>A parent removed this computer from the family</translation>
    </message>
    <message>
        <source>本机不再受家庭规则约束。如需重新加入，请在“身份 / 基础设置”中输入家庭码。</source>
        <translation>This computer no longer follows the family&apos;s rules. To join again, enter the family code under “Role / Basic settings”.</translation>
    </message>
    <message>
        <source>修改受控应用需要家长密码。</source>
        <translation>Changing the controlled applications needs the parent password.</translation>
    </message>
    <message>
        <source>修改服务地址需要家长密码。</source>
        <translation>Changing the server address needs the parent password.</translation>
    </message>
    <message>
        <source>把孩子电脑改为家长设备需要家长密码。</source>
        <translation>Making a child&apos;s computer a parent&apos;s device needs the parent password.</translation>
    </message>
    <message>
        <source>暂时无法读取家长密码</source>
        <translation>The parent password cannot be read right now</translation>
    </message>
    <message>
        <source>系统钥匙环现在打不开。请解锁钥匙环（或稍等它启动）后重试。</source>
        <translation>The system keyring cannot be opened now. Unlock the keyring (or wait for it to start) and try again.</translation>
    </message>
    <message>
        <source>需要家长密码</source>
        <translation>Parent password required</translation>
    </message>
    <message>
        <source>暂时无法读取家长密码（系统钥匙环打不开），请稍后重试</source>
        <translation>The parent password cannot be read right now (the system keyring does not open). Please try again shortly.</translation>
    </message>
    <message>
        <source>本机还没有设置家长密码，无法用密码解锁。请家长在首页点击“设置家长密码”设置后再用。</source>
        <translation>No parent password is set on this computer, so it cannot unlock with one. A parent can set one with “Set parent password” on the home screen.</translation>
    </message>
    <message>
        <source>本机还没有设置家长密码：没有密码，规则和受控应用谁都能改。请家长现在就在这台电脑上设置。</source>
        <translation>No parent password is set on this computer: without one, anyone can change its rules and controlled applications. A parent should set one here now.</translation>
    </message>
    <message>
        <source>解锁、修改受控应用、更改角色和退出都需要这个密码。请不要告诉孩子。</source>
        <translation>Unlocking, changing the controlled applications, changing the role and quitting all need this password. Do not tell the child.</translation>
    </message>
    <message>
        <source>孩子电脑上的设置被改动过</source>
        <translation>Settings were changed on the child&apos;s computer</translation>
    </message>
    <message>
        <source>运行方式：X11</source>
        <translation>Mode: X11</translation>
    </message>
    <message>
        <source>运行方式：GNOME 扩展</source>
        <translation>Mode: GNOME extension</translation>
    </message>
    <message>
        <source>运行方式：wlroots</source>
        <translation>Mode: wlroots</translation>
    </message>
    <message>
        <source>运行方式：KWin 脚本</source>
        <translation>Mode: KWin script</translation>
    </message>
    <message>
        <source>运行方式：仅进程</source>
        <translation>Mode: process only</translation>
    </message>
    <message>
        <source>此电脑的桌面未启用岚哨的 GNOME 扩展：看不到也无法隐藏应用的窗口，只能在锁定时暂停受控应用。安装孩子守护并重新登录后即可启用。</source>
        <translation>Vantorel&apos;s GNOME extension is not enabled on this computer&apos;s desktop: application windows cannot be seen or hidden, and controlled applications can only be paused while locked. It is enabled once the child guard is installed and the child logs in again.</translation>
    </message>
</context>
</TS>
