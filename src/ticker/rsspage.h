#pragma once

#include <QObject>

namespace velumo {

class Notifier;
class RssFeed;
class SettingsWindow;

// The RSS group of the Internet page: its two buttons, the automatic-reading box and the
// period spinner forward to the feed reader.
class RssPage final : public QObject {
    Q_OBJECT
public:
    RssPage(SettingsWindow& window, Notifier& notifier, RssFeed& feed);
};

}  // namespace velumo
