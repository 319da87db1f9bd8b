// torvane-bench-table RESULTS_DIR: reads the Google Benchmark JSON files that bench/run.sh
// wrote and prints the performance table (Markdown): each figure beside its floor from the same
// run, the ratio, the goal and whether it holds; then every benchmark's own figures.
//
// A figure whose benchmark did not run (skipped, or its file is missing) shows as "n/a".
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace {

std::map<QString, QJsonArray> gFiles; // file base name -> its "benchmarks"

void Load(const QString &folder)
{
    for (const QFileInfo &info : QDir(folder).entryInfoList({"*.json"}, QDir::Files)) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        gFiles[info.baseName()] = QJsonDocument::fromJson(file.readAll())["benchmarks"].toArray();
    }
}

// The run of a benchmark whose run name starts with prefix: its median when repeated, else
// its only run. Empty when it is missing or reported an error.
std::optional<QJsonObject> Find(const QString &file, const QString &prefix)
{
    const auto found = gFiles.find(file);
    if (found == gFiles.end())
        return std::nullopt;
    std::optional<QJsonObject> single;
    for (const QJsonValue &value : found->second) {
        const QJsonObject run = value.toObject();
        if (!run["run_name"].toString().startsWith(prefix) || run["error_occurred"].toBool())
            continue;
        if (run["run_type"].toString() == "aggregate") {
            if (run["aggregate_name"].toString() == "median")
                return run;
        } else if (!single) {
            single = run;
        }
    }
    return single;
}

double Scale(const QString &unit)
{
    if (unit == "ns")
        return 1e-9;
    if (unit == "us")
        return 1e-6;
    if (unit == "ms")
        return 1e-3;
    return 1;
}

// Real time of a run, in the unit given ("ns", "us", "ms", "s").
std::optional<double> Time(const QString &file, const QString &prefix, const QString &unit)
{
    const auto run = Find(file, prefix);
    if (!run)
        return std::nullopt;
    return (*run)["real_time"].toDouble() * Scale((*run)["time_unit"].toString()) / Scale(unit);
}

std::optional<double> Counter(const QString &file, const QString &prefix, const QString &name)
{
    const auto run = Find(file, prefix);
    if (!run || !run->contains(name))
        return std::nullopt;
    return (*run)[name].toDouble();
}

QString Num(std::optional<double> v, int decimals = 1)
{
    return v ? QString::number(*v, 'f', decimals) : QStringLiteral("n/a");
}

QString Verdict(std::optional<bool> holds)
{
    return !holds   ? QStringLiteral("n/a")
           : *holds ? QStringLiteral("yes")
                    : QStringLiteral("**no**");
}

void Row(const QString &figure, const QString &value, const QString &floor, const QString &ratio,
         const QString &goal, const QString &holds)
{
    std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(figure), qPrintable(value),
                qPrintable(floor), qPrintable(ratio), qPrintable(goal), qPrintable(holds));
}

std::optional<double> Divide(std::optional<double> a, std::optional<double> b)
{
    if (!a || !b || *b == 0)
        return std::nullopt;
    return *a / *b;
}

void StartUpRows(const QString &platform, int arg)
{
    const QString run = QStringLiteral("BM_StartUp/platform:%1/").arg(arg);
    const auto c = [&](const char *name) { return Counter("startup", run, name); };
    const auto ratio = c("ratio");
    Row("start-up to first paint, " + platform + " (ms)", Num(c("editor_ms")), Num(c("floor_ms")),
        Num(ratio, 2) + " ×", "≤ 1.15 × floor",
        Verdict(ratio ? std::optional(*ratio <= 1.15) : std::nullopt));
    const auto own = c("own_work_ms");
    Row("— of which toolkit / MIDI connect / our own work (ms)",
        Num(c("toolkit_ms")) + " / " + Num(c("midi_connect_ms")) + " / " + Num(own), "", "",
        "own work ≤ 8 ms", Verdict(own ? std::optional(*own <= 8) : std::nullopt));
    const auto over = c("rss_over_floor_MiB");
    Row("resident memory after start-up, " + platform + " (MiB)", Num(c("editor_rss_MiB")),
        Num(c("floor_rss_MiB")), "+" + Num(over), "≤ floor + 8 MiB",
        Verdict(over ? std::optional(*over <= 8) : std::nullopt));
}

// The goal is zero with the MIDI system and without: with JACK running and no JACK port of the
// editor open, its client asks for no process cycles (the floor's RtMidi client does, and
// shows what each costs). Below 0.5/s means fewer than three wake-ups in the whole window:
// scheduler noise, not a timer or a poll.
void IdleRow(const QString &platform, int arg, bool withoutMidi)
{
    const QString run = QStringLiteral("BM_Idle/platform:%1/midi:%2/").arg(arg).arg(withoutMidi);
    const auto c = [&](const char *name) { return Counter("startup", run, name); };
    const auto excess = [&]() -> std::optional<double> {
        if (!c("editor_total_per_s") || !c("floor_total_per_s"))
            return std::nullopt;
        return *c("editor_total_per_s") - *c("floor_total_per_s");
    }();
    const auto total = c("editor_total_per_s");
    Row("idle wake-ups per second, " + platform +
            (withoutMidi ? ", no MIDI system" : ", with the MIDI system") +
            ": main thread / all threads",
        Num(c("editor_main_per_s")) + " / " + Num(total),
        Num(c("floor_main_per_s")) + " / " + Num(c("floor_total_per_s")),
        (excess && *excess >= 0 ? "+" : "") + Num(excess) + " /s", "0",
        Verdict(total ? std::optional(*total < 0.5) : std::nullopt));
}

// The editor against servers of its own: start-up with a frozen one (floor: no server at all),
// and how long closing takes with the server alive or stopped.
void ServerRows()
{
    const auto ratio = Counter("servers", "BM_FrozenServerStartUp", "ratio");
    Row("start-up to first paint with a frozen JACK server, offscreen (ms)",
        Num(Counter("servers", "BM_FrozenServerStartUp", "frozen_ms")),
        Num(Counter("servers", "BM_FrozenServerStartUp", "no_server_ms")), Num(ratio, 2) + " ×",
        "≤ 1.25 × no server", Verdict(ratio ? std::optional(*ratio <= 1.25) : std::nullopt));
    for (int pipeWire : {0, 1})
        for (int alive : {1, 0}) {
            const QString run =
                QStringLiteral("BM_Close/pipewire:%1/alive:%2/").arg(pipeWire).arg(alive);
            const auto worst = Counter("servers", run, "close_max_ms");
            Row(QStringLiteral(
                    "close to process end, %1 %2, output on a JACK port (ms, median / max)")
                    .arg(pipeWire ? "PipeWire's JACK" : "jackd", alive ? "alive" : "stopped"),
                Num(Counter("servers", run, "close_median_ms")) + " / " + Num(worst), "", "",
                "≤ 200 ms", Verdict(worst ? std::optional(*worst <= 200) : std::nullopt));
        }
    // Linked, a server runs the client every cycle; with nothing to carry, the client with
    // the editor's ports is inactive and only a portless listener is (never woken).
    for (const int pipeWire : {0, 1}) {
        const QString run = QStringLiteral("BM_ServerIdle/pipewire:%1/").arg(pipeWire);
        const auto idle = [&](const char *name) { return Counter("servers", run, name); };
        const auto none = idle("no_port_per_s");
        const auto unlinked = idle("port_open_unlinked_per_s");
        Row(QStringLiteral("idle wake-ups per second, %1: no port open / output port linked / "
                           "linked to nothing")
                .arg(pipeWire ? "PipeWire's JACK" : "jackd"),
            Num(none) + " / " + Num(idle("linked_per_s")) + " / " + Num(unlinked), "", "",
            "0 with nothing linked",
            Verdict(none && unlinked ? std::optional(*none < 0.5 && *unlinked < 0.5)
                                     : std::nullopt));
    }
}

void DragRow(const QString &platform, double goalUs)
{
    const QString file = "drag_" + platform;
    const auto c = [&](const char *bench, const char *name) { return Counter(file, bench, name); };
    const auto p99 = c("BM_DragMoveToControlChange", "move_to_cc_p99_us");
    Row("drag: pointer move to Control Change accepted, " + platform + " (µs, median / p99)",
        Num(c("BM_DragMoveToControlChange", "move_to_cc_median_us")) + " / " + Num(p99), "", "",
        "p99 ≤ " + Num(goalUs, 0) + " µs",
        Verdict(p99 ? std::optional(*p99 <= goalUs) : std::nullopt));
    const auto handled = c("BM_DragMoveToControlChange", "move_handled_median_us");
    const auto floor = c("BM_DragFloorPlainLabel", "move_handled_median_us");
    Row("— whole move handled, repaints included (µs, median / p99)",
        Num(handled) + " / " + Num(c("BM_DragMoveToControlChange", "move_handled_p99_us")),
        Num(floor) + " / " + Num(c("BM_DragFloorPlainLabel", "move_handled_p99_us")),
        Num(Divide(handled, floor), 2) + " ×", "", "");
}

// A page not shown at start, opened as the user meets it (built after the first paint) and,
// the dearest case, before it was built (building included).
void PageRows()
{
    const char *const pages[] = {"Config", "About...", "Simulator", "Monitor"};
    for (int page = 0; page < 4; ++page) {
        const auto c = [&](int built, const char *name) {
            return Counter("pages",
                           QStringLiteral("BM_FirstOpening/page:%1/built:%2/").arg(page).arg(built),
                           name);
        };
        const auto worst = c(1, "open_max_ms");
        Row(QStringLiteral("first opening of the \"%1\" page, offscreen (ms, median / worst): "
                           "built after the first paint; opened before that, built then")
                .arg(pages[page]),
            Num(c(1, "open_median_ms")) + " / " + Num(worst) + "; " + Num(c(0, "open_median_ms")) +
                " / " + Num(c(0, "open_max_ms")),
            "", "", "≤ 16 ms built", Verdict(worst ? std::optional(*worst <= 16) : std::nullopt));
    }
}

void PaintRow(const QString &figure, std::optional<double> value, std::optional<double> floor)
{
    Row(figure, Num(value), Num(floor), Num(Divide(value, floor), 2) + " ×", "", "");
}

// The MIDI monitor, its page shown: what it adds to a send (floor: the send it records), the
// GUI thread's share of a core during an input flood (floor: the same flood, nothing reading
// the input), and a click's wait in that flood.
void MonitorRows()
{
    const auto sendWith = Time("monitor", "BM_SendControlChange/monitor:1", "ns");
    const auto sendWithout = Time("monitor", "BM_SendControlChange/monitor:0", "ns");
    const auto added =
        sendWith && sendWithout ? std::optional(*sendWith - *sendWithout) : std::nullopt;
    Row("monitor: added to sending one Control Change (ns)", Num(added), Num(sendWithout),
        Num(Divide(sendWith, sendWithout), 2) + " ×", "≤ 1000 ns",
        Verdict(added ? std::optional(*added <= 1000) : std::nullopt));
    const auto cpu = Counter("monitor", "BM_Flood/monitor:1", "gui_cpu_percent");
    Row("monitor: GUI thread during a 200,000/s input flood, page refreshing (% of one core)",
        Num(cpu), Num(Counter("monitor", "BM_Flood/monitor:0", "gui_cpu_percent")), "", "≤ 20 %",
        Verdict(cpu ? std::optional(*cpu <= 20) : std::nullopt));
    const auto p99 = Counter("monitor", "BM_ClickDuringFlood", "click_p99_us");
    Row("monitor: click handled during that flood (ms, median / p99)",
        Num(Divide(Counter("monitor", "BM_ClickDuringFlood", "click_median_us"), 1000.0), 2) +
            " / " + Num(Divide(p99, 1000.0), 2),
        "", "", "≤ 100 ms", Verdict(p99 ? std::optional(*p99 <= 100'000) : std::nullopt));
}

// The preset library of 5,000 files: listed (read on the scan's worker thread, rows made), and
// the list following a filter typed (GUI thread), the slowest of the typical texts.
void LibraryRows()
{
    Row("Library: 5,000 presets listed (ms)", Num(Time("library", "BM_LibraryListed", "ms")), "",
        "", "", "");
    std::optional<double> slowest;
    for (int text = 0; text < 5; ++text) {
        const auto time =
            Time("library", QStringLiteral("BM_LibraryFiltered/text:%1/").arg(text), "ms");
        if (!time) {
            slowest.reset();
            break;
        }
        slowest = std::max(slowest.value_or(0), *time);
    }
    Row("Library: 5,000 presets filtered (ms, slowest of 5 texts)", Num(slowest, 2), "", "",
        "≤ 100 ms", Verdict(slowest ? std::optional(*slowest <= 100) : std::nullopt));
}

void FiguresTable()
{
    std::printf("| figure | value | floor | ratio | goal | holds |\n|---|---|---|---|---|---|\n");
    StartUpRows("offscreen", 0);
    StartUpRows("xcb (Xvfb)", 1);
    for (bool withoutMidi : {false, true}) {
        IdleRow("offscreen", 0, withoutMidi);
        IdleRow("xcb (Xvfb)", 1, withoutMidi);
    }
    ServerRows();
    DragRow("offscreen", 25);
    DragRow("xcb", 50);
    PageRows();

    const auto callback = Time("midi", "BM_MidiCallbackShort", "ns");
    const auto handOver = Time("floors", "BM_FloorHandOver", "ns");
    Row("callback: MidiCallback + RingPut + post, per item (ns)", Num(callback), Num(handOver),
        Num(Divide(callback, handOver), 2) + " ×", "≤ 100 ns",
        Verdict(callback ? std::optional(*callback <= 100) : std::nullopt));

    const auto transfer = Counter("converter", "BM_PresetTransfer", "floor_ratio");
    Row("transfer: whole 32-message preset send (s)",
        transfer ? Num(*transfer * 3.2, 3) : QStringLiteral("n/a"), "3.200",
        Num(transfer, 3) + " ×", "≤ 1.01 × floor",
        Verdict(transfer ? std::optional(*transfer <= 1.01) : std::nullopt));
    const auto upToDate = Counter("converter", "BM_UpToDateAfterOneEdit", "seconds");
    Row("box up to date after one edit, changes only (s)", Num(upToDate, 3), "0.100",
        Num(Divide(upToDate, std::optional(0.1)), 3) + " ×", "≤ 0.15 s",
        Verdict(upToDate ? std::optional(*upToDate <= 0.15) : std::nullopt));

    PaintRow("paint: value label 25 x 13 (µs)", Time("floors", "BM_ValueLabelPaint", "us"),
             Time("floors", "BM_FloorValueLabelQLabel", "us"));
    PaintRow("paint: gauge 328 x 21, repaint on screen (µs)",
             Time("cgauges", "BM_RepaintShown/1", "us"),
             Time("floors", "BM_FloorGaugeQProgressBar", "us"));
    PaintRow("paint: graph control 100 x 80 (µs)",
             Time("kxsampletank", "BM_Paint/width:100/height:80/gradient:0", "us"),
             Time("floors", "BM_FloorGraphPlainWidget/width:100/height:80", "us"));
    PaintRow("paint: graph control 1024 x 768 (µs)",
             Time("kxsampletank", "BM_Paint/width:1024/height:768/gradient:0", "us"),
             Time("floors", "BM_FloorGraphPlainWidget/width:1024/height:768", "us"));

    MonitorRows();
    LibraryRows();

    // One JACK period (256 frames at 48 kHz) is the floor of anything that waits for a cycle.
    const double period = 256.0 / 48000.0 * 1e6;
    const auto jack = Counter("jack_latency", "BM_OutputToGuiHandler", "median_us");
    Row("JACK: send to GUI-thread handler through the server (µs, median / p99)",
        Num(jack) + " / " + Num(Counter("jack_latency", "BM_OutputToGuiHandler", "p99_us")),
        Num(period) + " (one period)", Num(Divide(jack, period), 2) + " ×", "", "");
    const auto lost = [](const char *bench) { return Counter("jack_latency", bench, "lost"); };
    Row("JACK: messages lost on the way, of 400 each (send / another client's event)",
        Num(lost("BM_OutputToGuiHandler"), 0) + " / " + Num(lost("BM_JackEventToGuiHandler"), 0),
        "", "", "0", "");
}

// Every benchmark's median (or only) run: name, time, counters and label.
void AllBenchmarks()
{
    std::printf("\n| benchmark | time | counters and label |\n|---|---|---|\n");
    for (const auto &[file, runs] : gFiles) {
        for (const QJsonValue &value : runs) {
            const QJsonObject run = value.toObject();
            const bool aggregate = run["run_type"].toString() == "aggregate";
            if (aggregate && run["aggregate_name"].toString() != "median")
                continue;
            QString time = run["error_occurred"].toBool()
                               ? "skipped: " + run["error_message"].toString()
                               : QString::number(run["real_time"].toDouble(), 'g', 4) + " " +
                                     run["time_unit"].toString();
            QStringList counters;
            for (auto it = run.begin(); it != run.end(); ++it) {
                static const QStringList known = {"name",
                                                  "family_index",
                                                  "per_family_instance_index",
                                                  "run_name",
                                                  "run_type",
                                                  "repetitions",
                                                  "repetition_index",
                                                  "threads",
                                                  "iterations",
                                                  "real_time",
                                                  "cpu_time",
                                                  "time_unit",
                                                  "aggregate_name",
                                                  "aggregate_unit",
                                                  "label",
                                                  "error_occurred",
                                                  "error_message"};
                if (!known.contains(it.key()))
                    counters << it.key() + "=" + QString::number(it.value().toDouble(), 'g', 4);
            }
            const QString label = run["label"].toString();
            if (!label.isEmpty())
                counters << label;
            std::printf("| %s: %s | %s | %s |\n", qPrintable(file),
                        qPrintable(run["run_name"].toString()), qPrintable(time),
                        qPrintable(counters.join(", ")));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvane-bench-table RESULTS_DIR\n");
        return 2;
    }
    Load(QString::fromLocal8Bit(argv[1]));
    FiguresTable();
    AllBenchmarks();
    return 0;
}
