// The layers of the editor, checked on its sources: every #include "..." of a production folder
// must point into the folder itself or into one of the layers it may build on. Dependencies point
// one way, so that a lower layer (the MIDI ports, the simulator model, the custom controls) can be
// built, tested and reused without what sits above it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

#ifdef TORVANE_SOURCE_DIR
const fs::path SourceRoot = TORVANE_SOURCE_DIR;
#else
const fs::path SourceRoot = fs::path(__FILE__).parent_path().parent_path().parent_path();
#endif

// Which layers each layer may include, directly; what those may include is allowed as well.
// clang-format off
const std::map<std::string, std::vector<std::string>> MayUse = {
    {"app",                     {"converter", "midi", "midi/backend/system",
                                 "midi/backend/simulated", "controls", "sim", "resources"}},
    {"converter",               {"midi", "controls"}},
    {"midi",                    {"midi/backend"}},
    {"midi/backend",            {}},
    {"midi/backend/jack",       {"midi/backend"}},
    {"midi/backend/alsa",       {"midi/backend"}},
    {"midi/backend/rtmidi",     {"midi/backend"}},
    {"midi/backend/system",     {"midi/backend", "midi/backend/jack", "midi/backend/alsa",
                                 "midi/backend/rtmidi"}},
    {"midi/backend/simulated",  {"midi/backend"}},
    {"controls",                {}},
    {"sim",                     {}},
    {"resources",               {}},
    {"tools/torvane-sim",       {"sim", "midi/backend", "midi/backend/alsa"}},
    {"tools/draw-artwork",      {"resources"}},
};
// clang-format on

// The layer a file of the repository belongs to: the longest layer folder that holds it.
std::string LayerOf(const fs::path &file)
{
    const std::string relative = file.lexically_relative(SourceRoot).generic_string();
    std::string best;
    for (const auto &[layer, uses] : MayUse)
        if (relative.rfind(layer + "/", 0) == 0 && layer.size() > best.size())
            best = layer;
    return best;
}

std::set<std::string> Reach(const std::string &layer)
{
    std::set<std::string> reached{layer};
    std::vector<std::string> pending{layer};
    while (!pending.empty()) {
        const std::string next = pending.back();
        pending.pop_back();
        for (const std::string &used : MayUse.at(next))
            if (reached.insert(used).second)
                pending.push_back(used);
    }
    return reached;
}

// Where the compiler finds a quoted include: beside the including file, else from the folders
// above it up to the repository root (each module adds the root).
fs::path Resolve(const fs::path &includer, const std::string &name)
{
    for (fs::path dir = includer.parent_path();; dir = dir.parent_path()) {
        if (fs::exists(dir / name))
            return fs::weakly_canonical(dir / name);
        if (dir == SourceRoot || dir == dir.parent_path())
            return {};
    }
}

// Returns the includes that break the table; checked counts every include looked at.
std::vector<std::string> Violations(int &checked)
{
    const std::regex quoted(R"re(^\s*#\s*include\s+"([^"]+)")re");
    std::vector<std::string> found;
    for (const auto &[layer, uses] : MayUse) {
        const std::set<std::string> allowed = Reach(layer);
        for (const auto &entry : fs::recursive_directory_iterator(SourceRoot / layer)) {
            const std::string ext = entry.path().extension().string();
            if ((ext != ".cpp" && ext != ".h") || LayerOf(entry.path()) != layer)
                continue;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch match;
                if (!std::regex_search(line, match, quoted))
                    continue;
                ++checked;
                const fs::path target = Resolve(entry.path(), match[1]);
                const std::string where =
                    entry.path().lexically_relative(SourceRoot).generic_string() + ":" +
                    std::to_string(number) + " includes \"" + match[1].str() + "\"";
                const std::string targetLayer = target.empty() ? "" : LayerOf(target);
                if (target.empty())
                    found.push_back(where + ", which is nowhere in the repository");
                else if (!allowed.count(targetLayer))
                    found.push_back(where + ": " + layer + " may not depend on " +
                                    (targetLayer.empty() ? target.generic_string() : targetLayer));
            }
        }
    }
    return found;
}

} // namespace

TEST(Layers, EveryIncludePointsDownTheTable)
{
    int checked = 0;
    const std::vector<std::string> violations = Violations(checked);
    // A scan that found no sources (a moved tree) must not pass for a clean one.
    EXPECT_GT(checked, 200) << SourceRoot;
    std::string report;
    for (const std::string &v : violations)
        report += v + "\n";
    EXPECT_TRUE(violations.empty()) << report;
}
