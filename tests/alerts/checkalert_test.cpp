// "velumo --check-alert" run as a user would, on documents the test writes.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <tuple>

#include "capfixtures.h"
#include "fakes/programrun.h"

namespace velumo::alerts {
namespace {

using namespace test;
using velumo::test::writeAll;

TEST(CheckAlert, TheProgramSaysWhatTheStationWouldDoAndExitsAccordingly)
{
    const QTemporaryDir dir;
    AlertsConfig config = station();
    config.save(dir.path());
    const QString sent =
        QDateTime::currentDateTime().addSecs(-60).toOffsetFromUtc(3 * 3600).toString(Qt::ISODate);
    writeAll(dir.filePath("band.xml"),
             xml({.infos = {info("Extreme", "Immediate", area(kAroundMoscow))}, .sent = sent}));
    writeAll(dir.filePath("far.xml"),
             xml({.infos = {info("Minor", "Immediate", area(kAroundPetersburg))}, .sent = sent}));
    writeAll(
        dir.filePath("bad.xml"),
        xml({.infos = {info("Minor", "Immediate", area("<polygon>1,1 2,2 3,3 4,4</polygon>"))}}));
    const std::vector<std::tuple<const char*, int, const char*>> cases = {
        {"band.xml", 0, "Будет показано полосой поверх всего до отмены"},
        {"far.xml", 1, "Не будет показано: станция вне районов оповещения"},
        {"bad.xml", 1, "Отклонено: <polygon> is not closed"},
        {"none.xml", 1, "Отклонено: "}};
    for (const auto& [file, code, text] : cases) {
        QString output;
        EXPECT_EQ(velumo::test::runToEnd({"--dir", dir.path(), "--check-alert", dir.filePath(file)},
                                         &output),
                  code)
            << file;
        EXPECT_TRUE(output.contains(QString::fromUtf8(text))) << output.toStdString();
    }
}

}  // namespace
}  // namespace velumo::alerts
