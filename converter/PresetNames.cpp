#include "converter/PresetNames.h"

QString TidyName(const QString &text)
{
    QString tidy = text.simplified();
    tidy.truncate(NameLengthLimit);
    return tidy.trimmed();
}
