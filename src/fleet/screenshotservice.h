#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

#include "base/worker.h"

namespace velumo {

class ControlServer;
class ScreenshotSource;

// The screenshot as a PNG: the picture is composed on the user-interface thread (it reads the
// windows), encoded and written on the worker, so that the strip does not wait for the encoder.
//
// Control command "screenshot [FILE]" writes the PNG (screenshot.png in the program folder when no
// file is named) and answers "PATH WIDTHxHEIGHT BYTES bytes". FILE lies in the program folder
// (a link out of it does not count) and is a .png that is none of the program's own files.
class ScreenshotService final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxWidthPx = 1280;
    static constexpr const char* kDefaultFile = "screenshot.png";

    ScreenshotService(QString folder, ScreenshotSource& source, Worker& worker,
                      QObject* parent = nullptr);

    void addControl(ControlServer& control);

    // Composes now and hands the PNG to done later on this thread (an empty one with the error).
    void capture(std::function<void(const JobResult<QByteArray>&)> done);

    // The PNG bytes, for a caller on another thread (the fleet link's): the picture is composed
    // on this object's thread, which the caller waits for, and encoded on the caller's own.
    // Called on this object's thread it composes and encodes there. Empty when there is no
    // picture (the reason goes where the guard reports).
    std::function<QByteArray()> pngSource();

    static QByteArray encode(const QImage& picture);
    // Where "screenshot FILE" may write: the full path, or why not (refusal set, path empty).
    static QString targetPath(const QString& folder, const QString& named, QString& refusal);

private:
    QImage composeHere();

    QString m_folder;
    ScreenshotSource& m_source;
    Worker& m_worker;
};

}  // namespace velumo
