// transfer-bench: sends a file between a real Vesprad engine and a real Corvane engine in two
// processes over 127.0.0.1, checks that it arrived byte for byte, and compares the rate with the
// protocol's ceiling on this machine (a bare two-process ping-pong of the same messages).
//
//   transfer-bench [--size BYTES] [--repeat N] [--json-only]
//
// Each of the N runs (3 unless told) measures the bare event loop, the baseline, the transfer
// and the baseline again. The last line printed is one JSON object with the medians.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "pingpong.h"
#include "roles.h"

namespace {

struct Options {
    qint64 size = 100LL * 1024 * 1024;
    int repeat = 3;
    bool jsonOnly = false;
    QString role;
    QString file;
    QString save;
    int port = 0;
    qint64 rounds = 0;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        auto value = [&]() -> QString {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "transfer-bench: %s needs a value\n", argv[i]);
                std::exit(2);
            }
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (arg == "--size") {
            o.size = value().toLongLong();
        } else if (arg == "--repeat") {
            o.repeat = std::max(1, value().toInt());
        } else if (arg == "--json-only") {
            o.jsonOnly = true;
        } else if (arg == "--role") {
            o.role = value();
        } else if (arg == "--file") {
            o.file = value();
        } else if (arg == "--save") {
            o.save = value();
        } else if (arg == "--port") {
            o.port = value().toInt();
        } else if (arg == "--rounds") {
            o.rounds = value().toLongLong();
        } else {
            std::fprintf(stderr,
                         "usage: transfer-bench [--size BYTES] [--repeat N] [--json-only]\n");
            std::exit(2);
        }
    }
    if (o.size < 0 || o.size > 2147483647LL) {
        std::fprintf(stderr, "transfer-bench: --size must be 0 to 2147483647\n");
        std::exit(2);
    }
    return o;
}

bool writeRandomFile(const QString& path, qint64 size) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    std::mt19937_64 gen(12345);
    QByteArray block(1 << 20, '\0');
    for (qint64 left = size; left > 0;) {
        const qint64 n = std::min<qint64>(left, block.size());
        for (qint64 i = 0; i < n; i += 8) {
            const std::uint64_t r = gen();
            std::memcpy(block.data() + i, &r, static_cast<std::size_t>(std::min<qint64>(8, n - i)));
        }
        if (f.write(block.constData(), n) != n) {
            return false;
        }
        left -= n;
    }
    return true;
}

// Reads the file once, so that the transfer finds it in the page cache as it would find a file
// just written. This machine drops cached files quickly, and a file read from disk during the
// transfer would add the disk's cost, which the baseline does not pay, to the programs'.
void warmUp(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        while (!f.read(1 << 20).isEmpty()) {
        }
    }
}

bool sameFiles(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) {
        return false;
    }
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20)) {
            return false;
        }
    }
    return true;
}

// "result a=1 b=2" into {a: 1, b: 2}.
QMap<QString, double> parseResult(const QByteArray& output) {
    QMap<QString, double> out;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("result ")) {
            for (const QByteArray& kv : line.mid(7).split(' ')) {
                const qsizetype eq = kv.indexOf('=');
                if (eq > 0) {
                    out[QString::fromLatin1(kv.left(eq))] = kv.mid(eq + 1).toDouble();
                }
            }
        }
    }
    return out;
}

struct Run {
    double seconds = 0;
    double waitMs = 0;
    double baselineBefore = 0;
    double baselineAfter = 0;
    double baselineSeconds = 0;  // the mean of the two
    double loopSeconds = 0;
    long senderRss = 0;
    long receiverRss = 0;
    bool identical = false;
};

// Starts `senderArgs` and, once it has printed its port, `receiverArgs` with "--port N"; waits
// for both and returns their outputs.
bool runPair(const QStringList& senderArgs, QStringList receiverArgs, int limitMs,
             QByteArray& senderOut, QByteArray& receiverOut) {
    const QString self = QCoreApplication::applicationFilePath();
    QProcess sender, receiver;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    sender.setProcessEnvironment(env);
    receiver.setProcessEnvironment(env);
    sender.start(self, senderArgs);
    int port = 0;
    while (port == 0 && sender.waitForReadyRead(30000)) {
        senderOut += sender.readAllStandardOutput();
        if (const qsizetype at = senderOut.indexOf("port "); at >= 0 && senderOut.contains('\n')) {
            port = senderOut.mid(at + 5, senderOut.indexOf('\n', at) - at - 5).toInt();
        }
    }
    if (port == 0) {
        std::fprintf(stderr, "transfer-bench: the sending process did not start\n");
        sender.kill();
        sender.waitForFinished();
        return false;
    }
    receiver.start(self, receiverArgs << "--port" << QString::number(port));
    const bool finished = sender.waitForFinished(limitMs) && receiver.waitForFinished(10000);
    senderOut += sender.readAllStandardOutput();
    receiverOut = receiver.readAllStandardOutput();
    std::fputs(sender.readAllStandardError().constData(), stderr);
    std::fputs(receiver.readAllStandardError().constData(), stderr);
    if (!finished || sender.exitCode() != 0 || receiver.exitCode() != 0) {
        sender.kill();
        receiver.kill();
        sender.waitForFinished();
        receiver.waitForFinished();
        return false;
    }
    return true;
}

bool runOnce(const Options& o, const QString& file, const QString& save, Run& run) {
    const qint64 rounds = std::max<qint64>(1, (o.size + 999) / 1000);
    // Generous: a hundredth of the protocol's ceiling, plus start-up.
    const int limitMs = static_cast<int>(60000 + o.size / 200);
    QByteArray senderOut, receiverOut;
    if (runPair({"--role", "loop-sender", "--rounds", QString::number(rounds)},
                {"--role", "loop-receiver"}, limitMs, senderOut, receiverOut)) {
        run.loopSeconds = parseResult(senderOut).value("seconds");
    }
    senderOut.clear();
    QFile::remove(save);
    // The baseline runs right before and right after the transfer, and the ratio takes their
    // mean: on a shared machine the rate drifts by more than the difference being measured.
    run.baselineBefore = pingPongSeconds(rounds);
    warmUp(file);
    const bool completed =
        runPair({"--role", "sender", "--file", file}, {"--role", "receiver", "--save", save},
                limitMs, senderOut, receiverOut);
    run.baselineAfter = pingPongSeconds(rounds);
    run.baselineSeconds = (run.baselineBefore + run.baselineAfter) / 2;
    if (!completed) {
        std::fprintf(stderr, "transfer-bench: the transfer did not complete\n");
        return false;
    }
    const auto s = parseResult(senderOut);
    const auto r = parseResult(receiverOut);
    run.seconds = s.value("seconds");
    run.waitMs = s.value("wait_ms");
    run.senderRss = static_cast<long>(s.value("rss_kb"));
    run.receiverRss = static_cast<long>(r.value("rss_kb"));
    run.identical = sameFiles(file, save);
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    if (o.role == "sender") {
        return runSenderRole(argc, argv, o.file);
    }
    if (o.role == "receiver") {
        return runReceiverRole(argc, argv, o.port, o.save);
    }
    if (o.role == "loop-sender") {
        return runLoopSenderRole(argc, argv, o.rounds);
    }
    if (o.role == "loop-receiver") {
        return runLoopReceiverRole(argc, argv, o.port);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("source.bin");
    const QString save = dir.filePath("received.bin");
    if (!dir.isValid() || !writeRandomFile(file, o.size)) {
        std::fprintf(stderr, "transfer-bench: cannot write the test file\n");
        return 1;
    }
    std::vector<Run> runs;
    for (int i = 0; i < o.repeat; ++i) {
        Run run;
        if (!runOnce(o, file, save, run)) {
            return 1;
        }
        const double mb = o.size / 1e6;
        if (!o.jsonOnly) {
            std::printf(
                "run %d: %.3f s (%.2f MB/s), baseline %.3f s (%.2f MB/s; %.2f before, %.2f "
                "after), ratio %.3f, event loop alone %.2f MB/s, completion wait %.1f ms, rss "
                "sender %ld kB receiver %ld kB, %s\n",
                i + 1, run.seconds, mb / run.seconds, run.baselineSeconds, mb / run.baselineSeconds,
                mb / run.baselineBefore, mb / run.baselineAfter, run.baselineSeconds / run.seconds,
                mb / run.loopSeconds, run.waitMs, run.senderRss, run.receiverRss,
                run.identical ? "identical" : "DIFFERENT");
        }
        runs.push_back(run);
    }
    std::vector<double> seconds, baseline, loop, ratio, wait;
    long senderRss = 0, receiverRss = 0;
    bool identical = true;
    for (const Run& r : runs) {
        seconds.push_back(r.seconds);
        baseline.push_back(r.baselineSeconds);
        loop.push_back(r.loopSeconds);
        ratio.push_back(r.baselineSeconds / r.seconds);
        wait.push_back(r.waitMs);
        senderRss = std::max(senderRss, r.senderRss);
        receiverRss = std::max(receiverRss, r.receiverRss);
        identical = identical && r.identical;
    }
    const double s = median(seconds);
    const double b = median(baseline);
    const double l = median(loop);
    std::printf(
        "{\"bytes\": %lld, \"runs\": %d, \"seconds\": %.6f, \"completion_wait_ms\": %.3f, "
        "\"mb_per_s\": %.3f, \"baseline_seconds\": %.6f, \"baseline_mb_per_s\": %.3f, "
        "\"ratio\": %.4f, \"event_loop_mb_per_s\": %.3f, \"event_loop_ratio\": %.4f, "
        "\"sender_peak_rss_kb\": %ld, \"receiver_peak_rss_kb\": %ld, "
        "\"identical\": %s}\n",
        static_cast<long long>(o.size), o.repeat, s, median(wait), o.size / 1e6 / s, b,
        o.size / 1e6 / b, median(ratio), o.size / 1e6 / l, b / l, senderRss, receiverRss,
        identical ? "true" : "false");
    return identical ? 0 : 1;
}
