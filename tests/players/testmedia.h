#pragma once

#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <utility>

namespace velumo::test {

// Clips made with ffmpeg for the tests: solid colours, a moving test pattern, a truncated file
// and one that is no clip at all. Empty names when ffmpeg is missing.
struct TestMedia {
    QString red;
    QString blue;
    QString pattern;
    QString truncated;
    QString garbage;

    static bool haveFfmpeg() { return !QStandardPaths::findExecutable("ffmpeg").isEmpty(); }

    static bool make(const QString& path, const QStringList& source, double seconds,
                     const QString& size = QStringLiteral("320x240"))
    {
        return encode(path, source, seconds, size,
                      {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"});
    }

    // A clip in any encoding ffmpeg has: output is what goes between the source and the path
    // (codec, pixel format, container).
    static bool encode(const QString& path, const QStringList& source, double seconds,
                       const QString& size, const QStringList& output)
    {
        QProcess ffmpeg;
        QStringList args{"-loglevel", "error", "-y", "-f", "lavfi", "-i"};
        args << source.join(u':').replace("SIZE", size) << "-t" << QString::number(seconds)
             << output << path;
        ffmpeg.start(QStringLiteral("ffmpeg"), args);
        return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
    }

    static bool haveDvdauthor() { return !QStandardPaths::findExecutable("dvdauthor").isEmpty(); }

    // An unencrypted DVD folder (dvd/VIDEO_TS) without menus: one title of a solid colour for
    // each entry, in their order, each as long as its seconds (small PAL MPEG-2).
    static bool makeDvd(const QDir& dir, const QList<std::pair<QString, double>>& titles)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIDEO_FORMAT", "PAL");
        auto run = [&](const QStringList& args) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
            process.start(args.first(), args.mid(1));
            return process.waitForFinished(60000) && process.exitCode() == 0;
        };
        const QString output = dir.filePath("dvd");
        for (qsizetype i = 0; i < titles.size(); ++i) {
            const QString mpeg = dir.filePath(QStringLiteral("title%1.mpg").arg(i + 1));
            if (!encode(mpeg, {"color=c=" + titles[i].first, "s=SIZE", "r=25"}, titles[i].second,
                        "352x288",
                        {"-c:v", "mpeg2video", "-b:v", "800k", "-aspect", "4:3", "-f", "dvd"}) ||
                !run({"dvdauthor", "-o", output, "-t", mpeg}))
                return false;
        }
        return run({"dvdauthor", "-o", output, "-T"});
    }

    bool makeAll(const QDir& dir)
    {
        red = dir.filePath("red.mp4");
        blue = dir.filePath("blue.mp4");
        pattern = dir.filePath("pattern.mp4");
        truncated = dir.filePath("truncated.mp4");
        garbage = dir.filePath("garbage.mp4");
        if (!make(red, {"color=c=red", "s=SIZE", "r=25"}, 2) ||
            !make(blue, {"color=c=blue", "s=SIZE", "r=25"}, 2) ||
            !make(pattern, {"testsrc=s=SIZE", "r=25"}, 8))
            return false;
        QFile whole(pattern);
        if (!whole.open(QIODevice::ReadOnly))
            return false;
        // The moov atom of an mp4 comes last: cut short, the file cannot be demuxed.
        const QByteArray bytes = whole.readAll();
        QFile cut(truncated);
        if (!cut.open(QIODevice::WriteOnly) || cut.write(bytes.left(bytes.size() / 3)) < 0)
            return false;
        QFile noise(garbage);
        if (!noise.open(QIODevice::WriteOnly))
            return false;
        QByteArray junk(64 * 1024, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919 + 13) % 251);
        return noise.write(junk) == junk.size();
    }
};

}  // namespace velumo::test
