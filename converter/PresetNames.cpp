#include "converter/PresetNames.h"

QString TidyName(const QString &text)
{
    QString tidy = text.simplified();
    tidy.truncate(NameLengthLimit);
    return tidy.trimmed();
}

QString OutputWithLabel(int output, const QString &label)
{
    const QString number = QStringLiteral("Output %1").arg(output + 1);
    return label.isEmpty() ? number : QStringLiteral("%1 (%2)").arg(number, label);
}

QString NamedFile(const QString &presetName, const QString &fileName)
{
    return presetName.isEmpty() ? fileName : QStringLiteral("%1 (%2)").arg(presetName, fileName);
}
