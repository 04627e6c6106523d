#include "Models/L10n.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/RemoteAPIError.h"
#include "Services/Network/URLError.h"
#include "Services/Network/UserFriendlyMessage.h"
#include "support/MemoryUserDefaults.h"

#include <QTest>

#include <functional>
#include <stdexcept>

using namespace Qt::StringLiterals;

using ErrorFactory = std::function<std::exception_ptr()>;
Q_DECLARE_METATYPE(ErrorFactory)

namespace {

template <typename E> ErrorFactory raise(E error)
{
    return [error] { return std::make_exception_ptr(error); };
}

class CustomError final : public std::exception, public LocalizedError
{
public:
    explicit CustomError(std::optional<QString> description)
        : m_description(std::move(description))
    {
    }
    std::optional<QString> errorDescription() const override { return m_description; }

private:
    std::optional<QString> m_description;
};

const QString kFamily = u"该家庭码不存在或已失效，请向家长确认正确的 6 位家庭码后重新输入。"_s;
const QString kRateLimit = u"本小时内解锁申请次数已达上限，请一小时后重试。"_s;
const QString kGeneric = u"操作失败，请稍后重试。"_s;
} // namespace

class TestUserFriendlyMessage : public QObject
{
    Q_OBJECT

    // The texts are looked up in the source language.
    MemoryUserDefaults m_defaults;

private slots:
    void messages_data()
    {
        QTest::addColumn<ErrorFactory>("error");
        QTest::addColumn<QString>("text");
        const auto server = [](qint64 status, const QString& message) {
            return raise(RemoteAPIError::serverError(status, message));
        };
        QTest::newRow("family not found, 400, any case, words around")
            << server(400, u"Error: FAMILY Not Found (code 123456)"_s) << kFamily;
        QTest::newRow("rate limit, any case") << server(429, u"Rate LIMIT exceeded"_s) << kRateLimit;
        QTest::newRow("both: the family wins") << server(429, u"rate limit; family not found"_s) << kFamily;
        QTest::newRow("other text as received") << server(500, u"Device Is Gone"_s) << u"Device Is Gone"_s;
        QTest::newRow("described error") << raise(CustomError(u"磁盘已满"_s)) << u"磁盘已满"_s;
        QTest::newRow("error without description") << raise(CustomError(std::nullopt)) << kGeneric;
        QTest::newRow("not a std::exception")
            << ErrorFactory([] { return std::make_exception_ptr(42); }) << kGeneric;
        QTest::newRow("no error at all") << ErrorFactory([] { return std::exception_ptr(); }) << kGeneric;
    }

    void messages()
    {
        QFETCH(ErrorFactory, error);
        QFETCH(QString, text);
        const auto caught = error();
        QCOMPARE(userFriendlyMessage(caught), text);
        // A server or configuration error describes itself with the same text, wherever it ends up.
        if (!caught) {
            return;
        }
        try {
            std::rethrow_exception(caught);
        } catch (const RemoteAPIError& apiError) {
            QCOMPARE(apiError.errorDescription(), text);
            QCOMPARE(QString::fromUtf8(apiError.what()), text);
        } catch (...) {
        }
    }

    // A transport error's text is looked up in the chosen language.
    void englishWhenChosen()
    {
        m_defaults.setObject(L10n::languageKey, u"en"_s);
        const auto text
            = userFriendlyMessage(std::make_exception_ptr(URLError(URLError::Code::cannotFindHost)));
        m_defaults.removeObject(L10n::languageKey);
        QCOMPARE(
            text,
            u"Cannot reach the server. Make sure this device and the computer are on the same Wi\u2011Fi"_s);
    }

    void ensureSuccess_data()
    {
        QTest::addColumn<int>("status"); // -1: not an HTTP answer
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message"); // empty: success
        QTest::newRow("200") << 200 << QByteArray("garbage") << QString();
        QTest::newRow("300") << 300 << QByteArray(R"({"error":"moved"})") << u"moved"_s;
        QTest::newRow("empty body") << 500 << QByteArray() << u"unknown error"_s;
        QTest::newRow("no error member") << 400 << QByteArray(R"({"message":"x"})") << u"unknown error"_s;
        QTest::newRow("error a number") << 400 << QByteArray(R"({"error":5})") << u"unknown error"_s;
    }

    void ensureSuccess()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        const auto statusCode = status < 0 ? std::nullopt : std::optional<int>(status);
        try {
            RemoteAPIClient::ensureSuccess(statusCode, body);
            QVERIFY2(message.isEmpty(), "a failing status passed");
        } catch (const RemoteAPIError& error) {
            QCOMPARE(error.kind(), RemoteAPIError::Case::serverError);
            QCOMPARE(error.status(), status);
            QCOMPARE(error.message(), message);
        }
    }
};

QTEST_GUILESS_MAIN(TestUserFriendlyMessage)
#include "TestUserFriendlyMessage.moc"
