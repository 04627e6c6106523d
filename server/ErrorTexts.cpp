#include "ErrorTexts.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

struct Entry
{
    QRegularExpression english;
    QString chinese;
};

// "%1", "%2" in an English text stand for the parts filled in when the error is made; the
// Chinese text places them where a Chinese sentence wants them.
Entry entry(const QString& english, const QString& chinese)
{
    static const QRegularExpression placeholder(u"%[12]"_s);
    QStringList pieces;
    for (const auto& piece : english.split(placeholder)) {
        pieces.append(QRegularExpression::escape(piece));
    }
    const auto pattern = pieces.join(u"(.*)"_s);
    return { QRegularExpression(u"^"_s + pattern + u"$"_s, QRegularExpression::DotMatchesEverythingOption),
             chinese };
}

const QList<Entry>& table()
{
    static const QList<Entry> entries {
        entry(u"family not found"_s, u"该家庭码不存在或已失效，请向家长确认正确的 6 位家庭码。"_s),
        entry(u"device not found"_s, u"找不到这台电脑，它可能已被家长移除。"_s),
        entry(u"unlock request not found"_s, u"找不到这条解锁申请。"_s),
        entry(u"unlock request already decided"_s, u"这条解锁申请已经处理过了。"_s),
        entry(u"too many attempts from this address, try again later"_s, u"尝试次数过多，请稍后再试。"_s),
        entry(u"rate limit: at most %1 unlock requests per hour"_s,
              u"本小时内解锁申请次数已达上限（每小时最多 %1 次），请一小时后重试。"_s),
        entry(u"\"dailyLimitMinutes\" must lie between 0 and 1440"_s,
              u"每日可用时长须在 0 到 1440 分钟之间。"_s),
        entry(u"\"%1\" must be a time of day (hour 0-23, minute 0-59)"_s,
              u"“%1”须是一天中的时刻（时 0–23，分 0–59）。"_s),
        entry(u"name must not be empty"_s, u"名称不能为空。"_s),
        entry(u"name is longer than %1 characters"_s, u"名称不能超过 %1 个字符。"_s),
        entry(u"role must be \"parent\" or \"child\""_s, u"身份只能是家长（parent）或孩子（child）。"_s),
        entry(u"a family has at most %1 devices"_s, u"一个家庭最多绑定 %1 台电脑。"_s),
        entry(u"content must not be empty"_s, u"反馈内容不能为空。"_s),
        entry(u"content is longer than %1 characters"_s, u"反馈内容不能超过 %1 个字符。"_s),
        entry(u"\"reason\" is longer than 500 characters"_s, u"申请理由不能超过 500 个字符。"_s),
        entry(u"only a child device can ask for an unlock"_s, u"只有孩子的电脑可以申请解锁。"_s),
        entry(u"\"status\" must be pending, approved or rejected"_s,
              u"状态只能是 pending、approved 或 rejected。"_s),
        entry(u"\"action\" must be approve or reject"_s,
              u"处理方式只能是批准（approve）或拒绝（reject）。"_s),
        entry(u"\"sampledAt\" must be an ISO 8601 instant"_s, u"“sampledAt”须是 ISO 8601 格式的时间。"_s),
        entry(u"\"usageDate\" must be a day written yyyy-MM-dd"_s,
              u"“usageDate”须是 yyyy-MM-dd 格式的日期。"_s),
        entry(u"\"source\" must be a short non-empty text"_s, u"“source”须是不为空的短文本。"_s),
        entry(u"at most %1 sessions per request"_s, u"每次最多上报 %1 条使用记录。"_s),
        entry(u"\"startAt\" and \"endAt\" must be ISO 8601 instants"_s,
              u"“startAt”和“endAt”须是 ISO 8601 格式的时间。"_s),
        entry(u"the body must be a JSON object"_s, u"请求内容须是一个 JSON 对象。"_s),
        entry(u"the query parameter \"%1\" is required"_s, u"缺少查询参数“%1”。"_s),
        entry(u"malformed JSON: %1 at offset %2"_s, u"请求内容不是有效的 JSON（第 %2 个字节处：%1）。"_s),
        entry(u"invalid body: %1"_s, u"请求内容有误：%1"_s),
        entry(u"request body larger than %1 bytes"_s, u"请求内容超过 %1 字节的上限。"_s),
        entry(u"request header larger than %1 bytes"_s, u"请求头超过 %1 字节的上限。"_s),
        entry(u"method not allowed"_s, u"不支持这种请求方式。"_s),
        entry(u"not found"_s, u"找不到请求的地址。"_s),
        entry(u"internal error"_s, u"服务器内部出错，请稍后重试。"_s),
        entry(u"device token required"_s, u"这个家庭已开启家长保护，请在已绑定的电脑上操作。"_s),
        entry(u"this device may not do this"_s, u"这台电脑没有权限进行此操作，只有本家庭的家长电脑可以。"_s),
        entry(u"an invitation is required to add a parent computer"_s,
              u"添加另一台家长电脑需要邀请码，请在已绑定的家长电脑上点“邀请另一台家长电脑”获取。"_s),
        entry(u"invitation code invalid, used or expired"_s, u"邀请码无效、已使用或已过期，请重新获取。"_s),
    };
    return entries;
}

} // namespace

namespace ErrorTexts {

bool prefersChinese(const QByteArray& acceptLanguage)
{
    // The tag with the highest weight wins; among equal weights the first listed.
    QByteArray best;
    double bestWeight = -1;
    for (const auto& item : acceptLanguage.split(',')) {
        const auto parts = item.split(';');
        const auto tag = parts.value(0).trimmed().toLower();
        double weight = 1;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const auto parameter = parts.at(i).trimmed();
            if (parameter.startsWith("q=")) {
                bool ok = false;
                weight = parameter.mid(2).toDouble(&ok);
                if (!ok) {
                    weight = 0;
                }
            }
        }
        if (!tag.isEmpty() && weight > bestWeight) {
            best = tag;
            bestWeight = weight;
        }
    }
    return bestWeight > 0 && (best == "zh" || best.startsWith("zh-"));
}

QString chinese(const QString& english)
{
    for (const auto& [pattern, text] : table()) {
        const auto match = pattern.match(english);
        if (!match.hasMatch()) {
            continue;
        }
        auto result = text;
        for (int i = 1; i <= match.lastCapturedIndex(); ++i) {
            result.replace(u"%"_s + QString::number(i), match.captured(i));
        }
        return result;
    }
    return english;
}

QString localized(const QString& english, const QByteArray& acceptLanguage)
{
    return prefersChinese(acceptLanguage) ? chinese(english) : english;
}

} // namespace ErrorTexts
