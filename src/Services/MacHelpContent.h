#pragma once

#include <QList>
#include <QString>

// The help screen's texts. The blocks come in the language of the localised introduction: its
// English wording begins with "Submit", and that is what selects the English blocks.
namespace MacHelpContent {

struct HelpBlock
{
    QString title;
    QString body;
};

QString introduction();
QString testingNote();
QList<HelpBlock> blocks();
// The blocks for a given localised introduction, for the platform this build runs on.
QList<HelpBlock> blocksFor(const QString& localizedIntroduction);
// The macOS build's blocks, whatever the platform.
QList<HelpBlock> macBlocksFor(const QString& localizedIntroduction);

} // namespace MacHelpContent
