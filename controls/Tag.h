#pragma once
// A control's Tag: a number that a shared event handler uses to tell a row of like controls
// apart (selector n and controller value label n carry Tag n - 1). Kept as a dynamic
// property so that any QObject, standard or custom, can carry one.
#include <QObject>
#include <QVariant>

inline int Tag(const QObject *object)
{
    return object ? object->property("Tag").toInt() : 0;
}

inline void SetTag(QObject *object, int tag)
{
    object->setProperty("Tag", tag);
}
