#pragma once
// What people call the presets and what the outputs drive: a name for each preset and a label
// for each of its 32 outputs ("VCF 2 cutoff"), all empty until the user gives them. They belong
// to a preset's slot like its bytes, but live beside them: the box and the 34-byte parameter
// file know nothing of them.
#include "converter/Protocol.h"

#include <QString>
#include <array>

struct PresetNames
{
    QString name;
    std::array<QString, protocol::OutputCount> labels;

    bool Empty() const
    {
        if (!name.isEmpty())
            return false;
        for (const QString &label : labels)
            if (!label.isEmpty())
                return false;
        return true;
    }
    friend bool operator==(const PresetNames &, const PresetNames &) = default;
};

// A name or label as it is kept: one line, no blanks around it, at most this many characters.
inline constexpr int NameLengthLimit = 64;
QString TidyName(const QString &text);

// A preset read from a file as people read it: "Drone (drone.tvp)", or the file's name alone
// when the preset has no name.
QString NamedFile(const QString &presetName, const QString &fileName);

// An output (0..31) as people read it: "Output 17 (VCF 2 cutoff)", or "Output 17" unlabelled.
QString OutputWithLabel(int output, const QString &label);
