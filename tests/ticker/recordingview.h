#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "ticker/announcementpicture.h"
#include "ticker/tickerview.h"

namespace velumo::test {

// Records what the engine asks of the windows.
class RecordingView final : public TickerView {
public:
    QStringList calls;
    QStringList texts;  // text of every picture handed over, in order
    std::shared_ptr<AnnouncementPicture> picture;
    std::vector<int> lefts;
    int left = 0;
    int stripHeight = 0;
    QString workLabel;
    TickerLayout layout;
    bool parked = false;

    void showPanel(bool hideMain) override { calls << (hideMain ? "panel+hide" : "panel"); }
    void applyLayout(const TickerLayout& l) override
    {
        layout = l;
        parked = false;
        calls << "layout";
    }
    void showIcon(int top) override { calls << QStringLiteral("icon %1").arg(top); }
    void showClock(int top) override { calls << QStringLiteral("clock %1").arg(top); }
    void showStrip(int top) override
    {
        parked = false;
        calls << QStringLiteral("strip %1").arg(top);
    }
    void keepClockVisible() override {}
    void park() override
    {
        parked = true;
        calls << "park";
    }
    void raiseWindows(bool clock) override { calls << (clock ? "raise+clock" : "raise"); }
    void setStripHeight(int h) override { stripHeight = h; }
    void setPicture(std::shared_ptr<AnnouncementPicture> p) override
    {
        picture = p;
        texts << p->text();
    }
    void setPictureLeft(int l) override
    {
        left = l;
        lefts.push_back(l);
    }
    void pictureChanged() override { calls << "changed"; }
    void setWorkLabel(const QString& text) override { workLabel = text; }
};

}  // namespace velumo::test
