#pragma once
// Writing a file whole or not at all: on disk there is always either the complete old content
// or the complete new one, even if the program dies or the disk fills mid-write.
#include <QByteArrayView>
#include <QString>

bool WriteAtomically(const QString &path, QByteArrayView bytes);
