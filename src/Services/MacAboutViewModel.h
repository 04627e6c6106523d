#pragma once

#include "Protocol/PublicDisplayInfoRecords.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

class AppBundle;
class RemoteBackendConfig;

// The about screen: the version and the vendor's public contact and legal lines from the server.
class MacAboutViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString apiDetail READ apiDetail NOTIFY changed)

public:
    MacAboutViewModel(RemoteBackendConfig& config, const AppBundle& bundle, QObject* parent = nullptr);

    QString apiDetail() const { return m_apiDetail; }
    // "1.2.0 (57)", with "—" for a missing part.
    static QString versionString(const AppBundle& bundle);
    QString versionLine() const;

    // Reads the display information; a failure leaves the lines as they were.
    QCoro::Task<> load();

    // The lines the about screen shows for the display information, joined by line feeds.
    static QString detailLines(const PublicAppDisplayInfo& info);

    // The vendor's support account, shown when the server names no WeChat id.
    static inline const QString defaultWeChatID = QStringLiteral("vantorel-support");

signals:
    void changed();

private:
    RemoteBackendConfig& m_config;
    const AppBundle& m_bundle;
    QString m_apiDetail;
};
