#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <utility>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "fakes/recordingplayers.h"
#include "fakes/testsupport.h"
#include "players/playerplacement.h"
#include "players/playerregistry.h"
#include "players/slides/presentationconverter.h"
#include "players/slides/slideshowcontrol.h"
#include "players/slides/slideshowplayer.h"
#include "players/slides/slideshowprefetch.h"
#include "players/slides/slideshowtiming.h"
#include "players/slides/slidesurface.h"
#include "players/slides/ziparchive.h"
#include "players/slideshowfiles.h"

using namespace velumo;
using namespace velumo::test;
using namespace velumo::slideshowtiming;

namespace {

// ---- the arithmetic and the texts ----

TEST(SlideShowTiming, ShowTimeRoundsEachSlideAHalfToEven)
{
    struct Case {
        QList<std::optional<double>> durations;
        int seconds;
    };
    const Case cases[] = {
        {{2.0, 1.0, 3.0}, 6},
        {{0.5}, 0},
        {{1.5}, 2},
        {{2.5}, 2},
        {{0.5, 0.5, 0.5}, 0},  // each slide rounded, not the sum
        {{1.4, 1.4}, 2},
        {{std::nullopt, 2.5, 3.5}, 6},
        {{}, 0},
        {{std::nullopt}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(showSeconds(c.durations), c.seconds) << c.durations.size();
}

TEST(SlideShowTiming, Label133ReadsAsThePageShowsIt)
{
    EXPECT_EQ(label133Text(95, 12), QStringLiteral("95 с или 1мин.35 сек. для 12 слайдов"));
    EXPECT_EQ(label133Text(0, 0), QStringLiteral("0 с или 0мин.0 сек. для 0 слайдов"));
    EXPECT_EQ(label133Text(6, 3), QStringLiteral("6 с или 0мин.6 сек. для 3 слайдов"));
}

TEST(SlideShowTiming, SlotLookup)
{
    Settings settings;
    RecordingNotifier notifier;
    settings.setText(key::SCEdit49, QStringLiteral("/shows/one.pptx"));
    settings.setText(key::SCEdit58, QStringLiteral("/shows/zero.odp"));
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("1")), "/shows/one.pptx");
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("0")), "/shows/zero.odp");
    // An empty slot, a number that is no slot and a file name stay as they are.
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("3")), "3");
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("12")), "12");
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("-1")), "-1");
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("abc")), "abc");
    EXPECT_TRUE(notifier.messages.isEmpty());
    // A slot that is no number is reported, then slot 0 is taken.
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("ab")), "/shows/zero.odp");
    EXPECT_EQ(notifier.messages, QStringList{QStringLiteral("Некорректно задан номер файла ab")});
    settings.setText(key::SCEdit58, QString());
    EXPECT_EQ(slideShowFile(settings, notifier, QStringLiteral("x")), "x");
}

TEST(SlideShowTiming, Durations)
{
    EXPECT_EQ(parseDuration(u"PT2S"), 2.0);
    EXPECT_EQ(parseDuration(u"PT00H01M35S"), 95.0);
    EXPECT_EQ(parseDuration(u"PT1.5S"), 1.5);
    EXPECT_EQ(parseDuration(u"P1DT1S"), 86401.0);
    EXPECT_EQ(parseDuration(u"PT1H"), 3600.0);
    for (const char16_t* bad : {u"", u"PT", u"P", u"2S", u"PTxS", u"-PT2S"})
        EXPECT_FALSE(parseDuration(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(SlideShowTiming, FlatOdpGivesSlidesDurationsAndHiddenFlags)
{
    const QList<SlideTiming> slides = readFlatOdp(flatPresentation({{"#ff0000", "PT2S"},
                                                                    {"#00ff00", "PT1S"},
                                                                    {"#ffff00", "PT5S", true},
                                                                    {"#0000ff", "PT3S"},
                                                                    {"#ffffff", nullptr}}));
    ASSERT_EQ(slides.size(), 5);
    EXPECT_EQ(slides[0].seconds, 2.0);
    EXPECT_EQ(slides[1].seconds, 1.0);
    EXPECT_TRUE(slides[2].hidden);
    EXPECT_FALSE(slides[3].hidden);
    EXPECT_EQ(slides[3].seconds, 3.0);
    EXPECT_FALSE(slides[4].seconds.has_value());

    // A slide that advances on a click has no time, whatever duration it carries.
    QByteArray manual = flatPresentation({{"#ff0000", "PT2S"}});
    manual.replace("transition-type=\"automatic\"", "transition-type=\"manual\"");
    EXPECT_FALSE(readFlatOdp(manual).at(0).seconds.has_value());
    EXPECT_TRUE(readFlatOdp(flatPresentation({})).isEmpty());
}

TEST(SlideShowTiming, FlatOdpThatIsNoPresentationFails)
{
    const QByteArray whole = flatPresentation({{"#ff0000", "PT2S"}});
    EXPECT_THROW(readFlatOdp(whole.left(whole.size() / 2)), Failure);
    EXPECT_THROW(readFlatOdp(QByteArray()), Failure);
    EXPECT_THROW(readFlatOdp("<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:"
                             "xmlns:office:1.0\"><office:body><office:text/></office:body>"
                             "</office:document>"),
                 Failure);
}

// ---- the timings straight from .pptx and .odp packages ----

class Packages : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        writeAll(path, bytes);
        return path;
    }
    // A .pptx of one slide part with the text given, listed once in the slide list.
    // root: the slide part's element, which a slide gives as p:sld.
    QString onePowerPointSlide(const QByteArray& slide, const QByteArray& root = "p:sld")
    {
        return write(
            QStringLiteral("one.pptx"),
            zipArchive(
                {{"ppt/presentation.xml",
                  "<p:presentation "
                  "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                  "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId7\"/></p:sldIdLst></p:presentation>"},
                 {"ppt/_rels/presentation.xml.rels",
                  "<Relationships "
                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId7\" Target=\"slides/slide1.xml\"/></Relationships>"},
                 {"ppt/slides/slide1.xml",
                  "<" + root +
                      " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                      "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"" +
                      slide + "</" + root + ">"}}));
    }
    SlideTiming oneSlide(const QByteArray& slide)
    {
        const QList<SlideTiming> slides = *readPresentation(onePowerPointSlide(slide));
        EXPECT_EQ(slides.size(), 1);
        return slides.value(0);
    }
};

TEST_F(Packages, PowerPointSlidesComeInTheOrderOfTheSlideList)
{
    const QString show = write(
        QStringLiteral("show.pptx"),
        powerPointPackage(
            {{"2000"}, {"1000"}, {"5000", true}, {"3000", false, false}, {nullptr}, {"1500"}}));
    const std::optional<QList<SlideTiming>> slides = readPresentation(show);
    ASSERT_TRUE(slides);
    ASSERT_EQ(slides->size(), 6);
    QList<std::optional<double>> visible;
    for (const SlideTiming& slide : *slides)
        if (!slide.hidden)
            visible.append(slide.seconds);
    EXPECT_TRUE(slides->at(2).hidden);
    EXPECT_EQ(slides->at(2).seconds, 5.0);
    EXPECT_EQ(visible, (QList<std::optional<double>>{2.0, 1.0, 3.0, std::nullopt, 1.5}));
    EXPECT_EQ(showSeconds(visible), 8);

    // A PowerPoint show (.ppsx) is the same package.
    EXPECT_EQ(readPresentation(write(QStringLiteral("show.ppsx"), readAll(show)))->size(), 6);
    // The binary kinds are for LibreOffice alone.
    EXPECT_FALSE(readPresentation(write(QStringLiteral("show.ppt"), "ppt bytes")));
    EXPECT_FALSE(readPresentation(write(QStringLiteral("show.pps"), "pps bytes")));
}

TEST_F(Packages, APowerPointTransitionCountsOnceAndOnlyWhereTransitionsBelong)
{
    // Choice and Fallback: the first one, not both and not the sum.
    SlideTiming slide = oneSlide(
        "><mc:AlternateContent><mc:Choice Requires=\"p14\"><p:transition advTm=\"2000\"/>"
        "</mc:Choice><mc:Fallback><p:transition advTm=\"9000\"/></mc:Fallback>"
        "</mc:AlternateContent>");
    EXPECT_EQ(slide.seconds, 2.0);
    EXPECT_FALSE(slide.hidden);
    // A transition without advTm advances on a click; one that is no number is no time.
    EXPECT_FALSE(oneSlide("><p:transition spd=\"fast\"/>").seconds);
    EXPECT_FALSE(oneSlide("><p:transition advTm=\"soon\"/>").seconds);
    EXPECT_FALSE(oneSlide("><p:transition advTm=\"-2000\"/>").seconds);
    // An element of that name deeper down is not the slide's transition.
    EXPECT_FALSE(
        oneSlide("><p:cSld><p:extLst><p:transition advTm=\"7000\"/></p:extLst></p:cSld>").seconds);
    EXPECT_EQ(oneSlide(" show=\"1\"><p:transition advTm=\"250\"/>").seconds, 0.25);
    EXPECT_TRUE(oneSlide(" show=\"false\">").hidden);
    EXPECT_TRUE(oneSlide(" show=\"0\">").hidden);
    EXPECT_FALSE(oneSlide(" show=\"1\">").hidden);
}

TEST_F(Packages, APackageThatCannotBeReadFails)
{
    // Not a zip archive at all, a slide part that is no slide or not well formed.
    EXPECT_THROW(readPresentation(write(QStringLiteral("bytes.pptx"), "pptx bytes")), Failure);
    EXPECT_THROW(readPresentation(write(QStringLiteral("bytes.odp"), "odp bytes")), Failure);
    EXPECT_THROW(readPresentation(onePowerPointSlide("><p:cSld>")), Failure);
    EXPECT_THROW(readPresentation(onePowerPointSlide("><p:transition advTm=\"1000\"/>", "p:notes")),
                 Failure);

    // The slide list names a slide the package does not hold, or a part that is missing.
    const QByteArray rels =
        "<Relationships><Relationship Id=\"rId2\" Target=\"slides/slide1.xml\"/></Relationships>";
    const QByteArray presentation =
        "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId3\"/></p:sldIdLst></p:presentation>";
    QByteArray listed = presentation;
    listed.replace("rId3", "rId2");
    for (const QList<TestZipEntry>& entries :
         {QList<TestZipEntry>{{"ppt/presentation.xml", presentation},
                              {"ppt/_rels/presentation.xml.rels", rels}},
          QList<TestZipEntry>{{"ppt/presentation.xml", listed},
                              {"ppt/_rels/presentation.xml.rels", rels}},
          QList<TestZipEntry>{{"ppt/_rels/presentation.xml.rels", rels}},
          QList<TestZipEntry>{{"ppt/presentation.xml", listed}}})
        EXPECT_THROW(readPresentation(write(QStringLiteral("broken.pptx"), zipArchive(entries))),
                     Failure)
            << entries.size();
    // A relationship that leads out of the package leads nowhere.
    QByteArray outside = rels;
    outside.replace("slides/slide1.xml", "../../slide1.xml");
    EXPECT_THROW(readPresentation(write(QStringLiteral("outside.pptx"),
                                        zipArchive({{"ppt/presentation.xml", listed},
                                                    {"ppt/_rels/presentation.xml.rels", outside},
                                                    {"slide1.xml", "<p:sld/>"}}))),
                 Failure);
}

TEST_F(Packages, AnOdfPackageIsReadLikeAFlatOne)
{
    const QString show =
        write(QStringLiteral("show.odp"),
              odfPackage({{"#ff0000", "PT2S"}, {"#ffff00", "PT5S", true}, {"#0000ff", nullptr}}));
    const std::optional<QList<SlideTiming>> slides = readPresentation(show);
    ASSERT_TRUE(slides);
    ASSERT_EQ(slides->size(), 3);
    EXPECT_EQ(slides->at(0).seconds, 2.0);
    EXPECT_TRUE(slides->at(1).hidden);
    EXPECT_FALSE(slides->at(2).seconds);
    // A text document in an ODF package is no presentation.
    EXPECT_THROW(readPresentation(write(
                     QStringLiteral("text.odp"),
                     zipArchive({{"content.xml",
                                  "<office:document-content xmlns:office=\"urn:oasis:names:tc:"
                                  "opendocument:xmlns:office:1.0\"><office:body><office:text/>"
                                  "</office:body></office:document-content>"}}))),
                 Failure);
}

// ---- the converter, with a stand-in for LibreOffice ----

// Writes a stand-in for soffice that logs its profile folder and format, then makes what
// LibreOffice would make: the pages (a few bytes) and the flat ODF (a copy of `flat`).
QString fakeOffice(const QString& folder, const QByteArray& behaviour = {},
                   const QString& flat = {})
{
    const QString path = folder + QStringLiteral("/soffice");
    QByteArray script =
        "#!/bin/bash\n"
        "out=''; fmt=''; src=''; prof=''\n"
        "while [ $# -gt 0 ]; do case \"$1\" in\n"
        "  --outdir) out=\"$2\"; shift;; --convert-to) fmt=\"$2\"; shift;;\n"
        "  -env:UserInstallation=*) prof=\"${1#*=}\";; -*) ;; *) src=\"$1\";; esac; shift; done\n"
        "echo \"$prof $fmt\" >> '" +
        folder.toUtf8() + "/runs.log'\n" +
        // The scheduling policy it runs under (0 normal, 5 idle).
        "cut -d' ' -f41 /proc/$$/stat >> '" + folder.toUtf8() + "/policy.log'\n" + behaviour +
        "\n"
        "base=$(basename \"$src\"); base=\"${base%.*}\"; mkdir -p \"$out\"\n"
        "case \"$fmt\" in pdf) printf '%%PDF-1.4 fake' > \"$out/$base.pdf\";;\n"
        "  fodp) cp '" +
        flat.toUtf8() + "' \"$out/$base.fodp\";; esac\n";
    writeAll(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

class Converter : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString cache = dir.path() + QStringLiteral("/cache");

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.path() + u'/' + name;
        writeAll(path, bytes);
        return path;
    }
    QStringList runs() const
    {
        return QString::fromUtf8(readAll(dir.path() + QStringLiteral("/runs.log")))
            .split(u'\n', Qt::SkipEmptyParts);
    }
    // The answer of one conversion: the presentation, or the reason it failed.
    static std::pair<std::optional<Presentation>, QString> convert(PresentationConverter& c,
                                                                   const QString& file)
    {
        QSignalSpy ok(&c, &PresentationConverter::converted);
        QSignalSpy failed(&c, &PresentationConverter::conversionFailed);
        c.convert(file);
        if (!QTest::qWaitFor([&] { return ok.size() + failed.size() > 0; }, 30'000))
            return {std::nullopt, QStringLiteral("no answer")};
        if (!ok.isEmpty())
            return {ok.at(0).at(1).value<Presentation>(), QString()};
        return {std::nullopt, failed.at(0).at(1).toString()};
    }
};

// Bytes that are no PowerPoint package: the timings come from LibreOffice's flat ODF of them.
TEST_F(Converter, ConvertsOnceAndAnswersFromTheCacheUntilTheFileChanges)
{
    const QString template_ = write(
        QStringLiteral("timings.fodp"),
        flatPresentation({{"#ff0000", "PT2S"}, {"#00ff00", "PT5S", true}, {"#0000ff", nullptr}}));
    PresentationConverter converter(cache, fakeOffice(dir.path(), {}, template_));
    const QString show = write(QStringLiteral("show.pptx"), "pptx bytes");
    EXPECT_FALSE(converter.cached(show));

    const auto [first, reason] = convert(converter, show);
    ASSERT_TRUE(first) << reason.toStdString();
    // The hidden slide is neither shown nor counted.
    EXPECT_EQ(first->durations, (QList<std::optional<double>>{2.0, std::nullopt}));
    EXPECT_EQ(readAll(first->pages), "%PDF-1.4 fake");
    // The pages and the timings each by their own LibreOffice, on a profile of their own.
    const QStringList made = runs();
    ASSERT_EQ(made.size(), 2);
    EXPECT_NE(made[0].section(u' ', 0, 0), made[1].section(u' ', 0, 0));
    EXPECT_TRUE(made[0].startsWith(u"file:///"));
    EXPECT_EQ(converter.running(), 0);
    // Nothing of the runs is left beside the cache entry.
    EXPECT_EQ(QDir(cache).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);

    // The second start of the same file comes from the cache: no LibreOffice.
    ASSERT_TRUE(converter.cached(show));
    EXPECT_EQ(converter.cached(show)->durations, first->durations);
    EXPECT_TRUE(convert(converter, show).first);
    EXPECT_EQ(runs().size(), 2);

    // A file replaced by one of another size is converted anew.
    write(QStringLiteral("show.pptx"), "other pptx bytes");
    EXPECT_FALSE(converter.cached(show));
    EXPECT_TRUE(convert(converter, show).first);
    EXPECT_EQ(runs().size(), 4);
}

TEST_F(Converter, PackagesGiveTheirOwnTimingsAndOnlyThePagesAreMade)
{
    const QString flat = write(QStringLiteral("timings.fodp"),
                               flatPresentation({{"#ff0000", "PT7S"}, {"#0000ff", "PT8S"}}));
    PresentationConverter converter(cache, fakeOffice(dir.path(), {}, flat));
    const QByteArray pptx =
        powerPointPackage({{"2000"}, {"1000"}, {"5000", true}, {"3000"}, {nullptr}});
    for (const QString& name : {QStringLiteral("show.pptx"), QStringLiteral("show.ppsx")}) {
        const auto [presentation, reason] = convert(converter, write(name, pptx));
        ASSERT_TRUE(presentation) << reason.toStdString();
        EXPECT_EQ(presentation->durations,
                  (QList<std::optional<double>>{2.0, 1.0, 3.0, std::nullopt}));
    }
    EXPECT_EQ(runs().size(), 2);
    EXPECT_TRUE(runs().at(0).endsWith(u" pdf") && runs().at(1).endsWith(u" pdf"));

    const auto [odp, reason] =
        convert(converter, write(QStringLiteral("show.odp"),
                                 odfPackage({{"#ff0000", "PT4S"}, {"#00ff00", "PT1S", true}})));
    ASSERT_TRUE(odp) << reason.toStdString();
    EXPECT_EQ(odp->durations, QList<std::optional<double>>{4.0});
    EXPECT_EQ(runs().size(), 3);
    EXPECT_TRUE(runs().last().endsWith(u" pdf"));

    // A package this reader cannot read may still be one LibreOffice reads: its flat ODF then
    // gives the timings. So does a binary PowerPoint file, always.
    QByteArray damaged = pptx;
    damaged.replace("ppt/slides/slide1.xml", "ppt/slides/slideX.xml");
    for (const QString& name : {QStringLiteral("damaged.pptx"), QStringLiteral("show.ppt")}) {
        const int before = int(runs().size());
        const auto [presentation, why] = convert(converter, write(name, damaged));
        ASSERT_TRUE(presentation) << why.toStdString();
        EXPECT_EQ(presentation->durations, (QList<std::optional<double>>{7.0, 8.0}));
        EXPECT_EQ(runs().mid(before).size(), 2);
        EXPECT_TRUE(runs().last().endsWith(u" fodp"));
    }
}

TEST_F(Converter, LibreOfficeRunsAtNormalPriorityUnlessToldToIdle)
{
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT2S"}}));
    {
        PresentationConverter normal(cache, fakeOffice(dir.path()));
        ASSERT_TRUE(convert(normal, show).first);
    }
    write(QStringLiteral("show.fodp"),
          flatPresentation({{"#ff0000", "PT2S"}, {"#0000ff", "PT3S"}}));
    PresentationConverter idle(cache, fakeOffice(dir.path()), 60'000,
                               PresentationConverter::Priority::Idle);
    ASSERT_TRUE(convert(idle, show).first);
    EXPECT_EQ(QString::fromLatin1(readAll(dir.filePath(QStringLiteral("policy.log")))),
              QStringLiteral("0\n5\n"));
}

TEST_F(Converter, WorkFoldersThatACrashLeftAreRemovedWhenItStarts)
{
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT2S"}}));
    {
        PresentationConverter converter(cache, fakeOffice(dir.path()));
        ASSERT_TRUE(convert(converter, show).first);
    }
    // What killed runs leave: work folders with a profile and half-made pages. The cache
    // entry beside them is old too, and no work folder.
    auto leave = [&](const QString& name) {
        const QString folder = cache + u'/' + name;
        QDir().mkpath(folder + QStringLiteral("/pdf/profile/user"));
        writeAll(folder + QStringLiteral("/pdf/profile/user/registrymodifications.xcu"), "x");
        return folder;
    };
    const auto hoursAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
    for (const QString& entry : QDir(cache).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        std::filesystem::last_write_time((cache + u'/' + entry).toStdString(), hoursAgo);
    const QString old = leave(QStringLiteral("run-Ab12Cd"));
    std::filesystem::last_write_time(old.toStdString(), hoursAgo);
    const QString young = leave(QStringLiteral("run-Ef34Gh"));

    {
        PresentationConverter converter(cache, fakeOffice(dir.path()));
    }
    EXPECT_FALSE(QFileInfo::exists(old));
    // Younger than the time limit: perhaps a run still going, so it stays.
    EXPECT_TRUE(QFileInfo::exists(young));
    QTest::qWait(400);
    {
        PresentationConverter quick(cache, fakeOffice(dir.path()), 300);
        EXPECT_TRUE(quick.cached(show));
    }
    EXPECT_FALSE(QFileInfo::exists(young));
    EXPECT_EQ(runs().size(), 1);
}

TEST_F(Converter, FlatOdfNeedsOnlyThePages)
{
    PresentationConverter converter(cache, fakeOffice(dir.path()));
    const QString show = write(QStringLiteral("show.fodp"),
                               flatPresentation({{"#ff0000", "PT2S"}, {"#0000ff", "PT3S"}}));
    const auto [presentation, reason] = convert(converter, show);
    ASSERT_TRUE(presentation) << reason.toStdString();
    EXPECT_EQ(presentation->durations, (QList<std::optional<double>>{2.0, 3.0}));
    EXPECT_EQ(runs().size(), 1);
    EXPECT_TRUE(runs().at(0).endsWith(u" pdf"));
}

TEST_F(Converter, FailuresNameWhatIsMissingOrWhatFailed)
{
    const QString show = write(QStringLiteral("show.ppt"), "ppt bytes");
    {
        PresentationConverter converter(cache, dir.path() + QStringLiteral("/no-office"));
        const QString reason = convert(converter, show).second;
        EXPECT_TRUE(reason.contains(u"LibreOffice") && reason.contains(u"no-office"))
            << reason.toStdString();
    }
    PresentationConverter converter(cache, fakeOffice(dir.path()));
    EXPECT_EQ(convert(converter, dir.path() + QStringLiteral("/gone.ppt")).second,
              QStringLiteral("Не найден файл презентации: ") + dir.path() + "/gone.ppt");
    const QString empty = write(QStringLiteral("empty.pptx"), QByteArray());
    EXPECT_EQ(convert(converter, empty).second, QStringLiteral("Файл презентации пуст: ") + empty);
    EXPECT_EQ(runs().size(), 0);

    // LibreOffice that cannot read the file makes nothing and says so on its output.
    PresentationConverter unreadable(
        cache, fakeOffice(dir.path(), "echo 'Error: source file could not be loaded'; exit 0"));
    const QString reason = convert(unreadable, show).second;
    EXPECT_TRUE(
        reason.startsWith(QStringLiteral("LibreOffice не смог прочитать презентацию ") + show));
    EXPECT_TRUE(reason.contains(u"source file could not be loaded")) << reason.toStdString();
    EXPECT_FALSE(unreadable.cached(show));
}

TEST_F(Converter, ARunOverItsTimeLimitIsKilledAndTheNextStartWorks)
{
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT2S"}}));
    {
        PresentationConverter hanging(cache, fakeOffice(dir.path(), "exec sleep 60"), 300);
        const QString reason = convert(hanging, show).second;
        EXPECT_EQ(reason,
                  QStringLiteral("LibreOffice не преобразовал презентацию за 0 с: ") + show);
        EXPECT_EQ(hanging.running(), 0);
    }
    PresentationConverter converter(cache, fakeOffice(dir.path()));
    EXPECT_TRUE(convert(converter, show).first);
}

TEST_F(Converter, EndsItsRunsWhenItGoes)
{
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT2S"}}));
    QElapsedTimer clock;
    clock.start();
    {
        PresentationConverter hanging(cache, fakeOffice(dir.path(), "exec sleep 60"));
        hanging.convert(show);
        EXPECT_TRUE(hanging.converting(show));
        QTest::qWait(200);
    }
    EXPECT_LT(clock.elapsed(), 20'000);
}

TEST_F(Converter, TheCacheKeepsTheLatestPresentations)
{
    PresentationConverter converter(cache, fakeOffice(dir.path()));
    const QByteArray one = flatPresentation({{"#ff0000", "PT2S"}});
    QString latest;
    for (int i = 0; i < 43; ++i) {
        latest = write(QStringLiteral("show%1.fodp").arg(i), one);
        ASSERT_TRUE(convert(converter, latest).first) << i;
    }
    EXPECT_EQ(QDir(cache).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 40);
    EXPECT_TRUE(converter.cached(latest));
}

TEST_F(Converter, SlotFilesAreConvertedAheadWhenTheyChange)
{
    Settings settings;
    EventLog log(dir.path() + QStringLiteral("/velumo.log"));
    PresentationConverter converter(cache, fakeOffice(dir.path()));
    QtTimerFactory timers;
    SlideShowPrefetch prefetch(settings, converter, log, timers, QString(), 100);
    const QString show = dir.path() + QStringLiteral("/arrives.fodp");
    settings.setText(key::SCEdit52, show);
    settings.setText(key::SCEdit53, dir.path() + QStringLiteral("/notes.txt"));
    QTest::qWait(300);
    EXPECT_EQ(runs().size(), 0);  // nothing there yet

    // The file arrives as FTP leaves it: written aside, then renamed into place.
    write(QStringLiteral("arrives.part"), flatPresentation({{"#ff0000", "PT2S"}}));
    ASSERT_TRUE(QFile::rename(dir.path() + QStringLiteral("/arrives.part"), show));
    ASSERT_TRUE(QTest::qWaitFor([&] { return converter.cached(show).has_value(); }, 30'000));
    EXPECT_EQ(runs().size(), 1);

    // A newer copy is converted again; the cached one stays as it is until then.
    QTest::qWait(1100);  // a modification time of its own
    write(QStringLiteral("arrives.part"),
          flatPresentation({{"#ff0000", "PT2S"}, {"#0000ff", "PT4S"}}));
    QFile::remove(show);
    ASSERT_TRUE(QFile::rename(dir.path() + QStringLiteral("/arrives.part"), show));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return converter.cached(show) && converter.cached(show)->slides() == 2; }, 30'000));
    EXPECT_EQ(runs().size(), 2);
    EXPECT_TRUE(prefetch.waiting().isEmpty());
}

// ---- the player, with a surface that records ----

class RecordingSurface final : public SlideSurface {
public:
    QStringList calls;
    int pages = 0;
    int screens = 1;
    bool opens = true;
    QRect rect;
    QList<int> shown;

    // With later set, the answers wait for answerOpen() and paintPage(), as a window's wait for
    // its render thread; otherwise they come at once.
    bool later = false;
    Opened pendingOpen;
    std::function<void()> pendingPaint;

    void open(const QString&, Opened opened) override
    {
        calls << QStringLiteral("open");
        if (later)
            pendingOpen = std::move(opened);
        else
            opened(opens ? pages : 0, opens ? QString() : QStringLiteral("broken pages"));
    }
    void answerOpen()
    {
        if (pendingOpen)
            std::exchange(pendingOpen, nullptr)(opens ? pages : 0,
                                                opens ? QString() : QStringLiteral("broken pages"));
    }
    void paintPage()
    {
        if (pendingPaint)
            std::exchange(pendingPaint, nullptr)();
    }
    int pageCount() const override { return pages; }
    void showPage(int page, std::function<void()> painted) override
    {
        calls << QStringLiteral("page %1").arg(page);
        shown << page;
        if (later)
            pendingPaint = std::move(painted);
        else if (painted)
            painted();
    }
    void place(const QRect& r) override
    {
        rect = r;
        calls << QStringLiteral("place %1 %2 %3 %4")
                     .arg(r.left())
                     .arg(r.top())
                     .arg(r.width())
                     .arg(r.height());
    }
    bool placeFullScreen(int screen) override
    {
        calls << QStringLiteral("full screen %1").arg(screen);
        return screen < screens;
    }
    int screenCount() const override { return screens; }
    QRect geometry() const override { return rect; }
    void close() override { calls << QStringLiteral("close"); }
};

class Player : public Converter {
protected:
    EventLog log{dir.path() + QStringLiteral("/velumo.log")};
    Settings settings;
    RecordingNotifier notifier;
    RecordingSurface surface;
    std::unique_ptr<PresentationConverter> converter =
        std::make_unique<PresentationConverter>(cache, fakeOffice(dir.path()));
    QtTimerFactory timers;
    std::unique_ptr<SlideShowPlayer> player = std::make_unique<SlideShowPlayer>(
        settings, notifier, log, timers, *converter, surface, dir.path());
    const QRect rect{10, 20, 300, 400};

    PlayerRequest request(const QString& file)
    {
        // The screen as a dispatcher's request has it (direct output).
        return {u'p', QStringLiteral("1"), file, rect, playerplacement::screen(settings, u'p')};
    }
    // Starts a show and waits for its first slide.
    bool startAndWait(const QString& file)
    {
        QSignalSpy on(player.get(), &ContentPlayer::onScreen);
        QSignalSpy failed(player.get(), &ContentPlayer::failed);
        player->start(request(file));
        return QTest::qWaitFor([&] { return on.size() + failed.size() > 0; }, 30'000) &&
               !on.isEmpty();
    }
    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }
};

TEST_F(Player, ShowsTheSlidesOnTheirOwnTimingsAndArmsTimerPptOnTheFirstSlide)
{
    surface.pages = 3;
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT0.6S"},
                                                             {"#ffff00", "PT5S", true},
                                                             {"#00ff00", "PT0.2S"},
                                                             {"#0000ff", "PT0.7S"}}));
    QSignalSpy label(player.get(), &SlideShowPlayer::label133Changed);
    QSignalSpy converting(player.get(), &SlideShowPlayer::convertingChanged);
    ASSERT_TRUE(startAndWait(show));
    EXPECT_EQ(converting.size(), 2);  // on, then off
    // T = 1 + 0 + 1: each slide rounded on its own.
    EXPECT_EQ(player->seconds(), 2);
    EXPECT_EQ(player->label133(), QStringLiteral("2 с или 0мин.2 сек. для 3 слайдов"));
    EXPECT_EQ(label.size(), 1);
    EXPECT_TRUE(player->timerPpt().isActive());
    EXPECT_EQ(player->timerPpt().interval(), 2000);
    EXPECT_EQ(surface.calls.mid(0, 3), (QStringList{"open", "place 10 20 300 400", "page 0"}));

    QSignalSpy ended(player.get(), &ContentPlayer::ended);
    ASSERT_TRUE(ended.wait(10'000));
    // The slides in their order, the last one kept until the stop.
    EXPECT_EQ(surface.shown, (QList<int>{0, 1, 2}));
    EXPECT_EQ(player->currentSlide(), 3);
    EXPECT_FALSE(player->timerPpt().isActive());
    const QStringList said = events();
    ASSERT_GE(said.size(), 5);
    EXPECT_EQ(said[0], QStringLiteral("p converting ") + show);
    EXPECT_TRUE(said[2].startsWith(u"p first slide on screen after ")) << said[2].toStdString();
    EXPECT_TRUE(said.contains(u"p slide 2"));
    EXPECT_TRUE(said.contains(u"p slide 3"));

    // The same file again: from the cache, at once.
    // A name without a path is a file of the program folder.
    ASSERT_TRUE(startAndWait(QStringLiteral("show.fodp")));
    EXPECT_TRUE(events().last().contains(u"from the cache")) << events().last().toStdString();
    player->stop();
    EXPECT_EQ(surface.calls.last(), "close");
    EXPECT_FALSE(player->isOpen());
    EXPECT_FALSE(player->timerPpt().isActive());
}

// The pages come from the surface's render thread: the show is on screen, its timers armed,
// only once the first page is painted; a stop, or another show, while the surface is still
// reading drops its answer.
TEST_F(Player, TheShowGoesOnWhenTheSurfaceHasOpenedAndPaintedTheFirstPage)
{
    surface.pages = 2;
    surface.later = true;
    const QString show = write(QStringLiteral("show.fodp"),
                               flatPresentation({{"#ff0000", "PT0.3S"}, {"#0000ff", "PT4S"}}));
    QSignalSpy on(player.get(), &ContentPlayer::onScreen);
    QSignalSpy failed(player.get(), &ContentPlayer::failed);
    player->start(request(show));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(surface.pendingOpen); }, 30'000));
    EXPECT_FALSE(player->isOpen());
    EXPECT_EQ(surface.calls, QStringList{"open"});
    surface.answerOpen();
    EXPECT_EQ(surface.calls, (QStringList{"open", "place 10 20 300 400", "page 0"}));
    EXPECT_EQ(on.size(), 0);
    EXPECT_FALSE(player->timerPpt().isActive());
    surface.paintPage();
    EXPECT_EQ(on.size(), 1);
    EXPECT_TRUE(player->timerPpt().isActive());
    EXPECT_TRUE(events().last().startsWith(u"p first slide on screen after "));

    // Stopped while the surface reads: it is closed, and its late answer shows nothing.
    player->start(request(show));
    ASSERT_TRUE(bool(surface.pendingOpen));  // from the cache: asked at once
    player->stop();
    EXPECT_EQ(surface.calls.last(), "close");
    surface.answerOpen();
    EXPECT_EQ(surface.calls.last(), "close");
    EXPECT_EQ(on.size(), 1);
    EXPECT_FALSE(player->isOpen());

    // Stopped while the first page is painted: no show comes on screen after the stop.
    player->start(request(show));
    surface.answerOpen();
    player->stop();
    surface.paintPage();
    EXPECT_EQ(on.size(), 1);
    EXPECT_FALSE(player->timerPpt().isActive());

    // A file the surface cannot read fails the show with the surface's reason.
    surface.opens = false;
    player->start(request(show));
    surface.answerOpen();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed.at(0).at(0).toString().endsWith(u": broken pages"));
    EXPECT_FALSE(player->isOpen());
}

TEST_F(Player, ParkMovesTheShowAboveTheScreenAndItGoesOn)
{
    surface.pages = 2;
    const QString show = write(QStringLiteral("show.fodp"),
                               flatPresentation({{"#ff0000", "PT0.3S"}, {"#0000ff", "PT4S"}}));
    ASSERT_TRUE(startAndWait(show));
    player->park();
    EXPECT_EQ(surface.rect, QRect(10, -600, 300, 400));
    EXPECT_TRUE(player->isParked());
    EXPECT_TRUE(player->timerPpt().isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->currentSlide() == 2; }, 10'000));
    EXPECT_EQ(player->status().value(u"parked").toBool(), true);

    // With direct output the park leaves the show where it is.
    settings.setChecked(key::SCCheckbox27, true);
    surface.screens = 2;
    ASSERT_TRUE(startAndWait(show));
    EXPECT_TRUE(surface.calls.contains(u"full screen 1"));
    const int calls = int(surface.calls.size());
    player->park();
    EXPECT_EQ(surface.calls.size(), calls);
    EXPECT_FALSE(player->isParked());
}

TEST_F(Player, DirectOutputWithOneScreenSaysSoAndTheShowGoesOn)
{
    surface.pages = 1;
    settings.setChecked(key::SCCheckbox27, true);
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT1S"}}));
    ASSERT_TRUE(startAndWait(show));
    EXPECT_EQ(notifier.messages, QStringList{SlideShowPlayer::kMonitorMessage});
    EXPECT_TRUE(surface.calls.contains(u"full screen 0"));
    EXPECT_FALSE(surface.calls.contains(u"full screen 1"));

    // SCButton16 ticks the box whatever the outcome, SCButton19 clears it.
    PlayerRegistry registry(log, test::everyKind(*player));
    SlideShowControl control(settings, notifier, *player, registry);
    settings.setChecked(key::SCCheckbox27, false);
    control.SCButton16Click();
    EXPECT_TRUE(settings.checked(key::SCCheckbox27));
    EXPECT_EQ(notifier.messages.size(), 2);
    control.SCButton19Click();
    EXPECT_FALSE(settings.checked(key::SCCheckbox27));
}

TEST_F(Player, WithoutTimingsOnlyTheStopEndsTheShow)
{
    surface.pages = 2;
    const QString show = write(QStringLiteral("show.fodp"),
                               flatPresentation({{"#ff0000", nullptr}, {"#0000ff", nullptr}}));
    ASSERT_TRUE(startAndWait(show));
    EXPECT_EQ(player->label133(), QStringLiteral("0 с или 0мин.0 сек. для 2 слайдов"));
    EXPECT_FALSE(player->timerPpt().isActive());
    QTest::qWait(300);
    EXPECT_EQ(surface.shown, QList<int>{0});
}

TEST_F(Player, BadInputFailsClearlyAndTheNextStartWorks)
{
    surface.pages = 1;
    QSignalSpy failed(player.get(), &ContentPlayer::failed);
    // A slot whose field is empty: the slot text itself is the file, in the program folder.
    EXPECT_FALSE(startAndWait(QStringLiteral("3")));
    ASSERT_EQ(failed.size(), 1);
    const QString missing = QStringLiteral("Не найден файл презентации: ") + dir.path() + "/3";
    EXPECT_EQ(failed.at(0).at(0).toString(), missing);
    EXPECT_EQ(notifier.messages, QStringList{missing});
    EXPECT_FALSE(player->timerPpt().isActive());
    EXPECT_FALSE(player->isConverting());

    // A file with no slides.
    EXPECT_FALSE(startAndWait(write(QStringLiteral("none.fodp"), flatPresentation({}))));
    EXPECT_EQ(player->label133(), QStringLiteral("0 с или 0мин.0 сек. для 0 слайдов"));
    EXPECT_FALSE(player->timerPpt().isActive());

    // Pages that cannot be read.
    surface.opens = false;
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT1S"}}));
    EXPECT_FALSE(startAndWait(show));
    EXPECT_TRUE(failed.last().at(0).toString().contains(u"broken pages"));
    EXPECT_FALSE(player->timerPpt().isActive());

    surface.opens = true;
    EXPECT_TRUE(startAndWait(show));
    EXPECT_TRUE(player->timerPpt().isActive());
    EXPECT_EQ(failed.size(), 3);
}

TEST_F(Player, ANewStartReplacesTheShowAndAStopDuringConversionShowsNothing)
{
    surface.pages = 2;
    const QString first = write(QStringLiteral("first.fodp"),
                                flatPresentation({{"#ff0000", "PT30S"}, {"#0000ff", "PT30S"}}));
    const QString second =
        write(QStringLiteral("second.fodp"), flatPresentation({{"#00ff00", "PT4S"}}));
    ASSERT_TRUE(startAndWait(first));
    EXPECT_EQ(player->timerPpt().interval(), 60'000);
    ASSERT_TRUE(startAndWait(second));
    EXPECT_TRUE(surface.calls.contains(u"close"));
    EXPECT_EQ(player->timerPpt().interval(), 4000);
    EXPECT_EQ(player->slides(), 1);
    EXPECT_EQ(player->status().value(u"file").toString(), second);

    // Stopped while converting: the finished conversion fills the cache and shows nothing.
    const QString third =
        write(QStringLiteral("third.fodp"), flatPresentation({{"#ffffff", "PT1S"}}));
    QSignalSpy converted(converter.get(), &PresentationConverter::converted);
    QSignalSpy on(player.get(), &ContentPlayer::onScreen);
    player->start(request(third));
    EXPECT_TRUE(player->isConverting());
    EXPECT_TRUE(player->status().value(u"converting").toBool());
    player->stop();
    ASSERT_TRUE(converted.wait(30'000));
    QTest::qWait(50);
    EXPECT_TRUE(on.isEmpty());
    EXPECT_FALSE(player->isOpen());
    EXPECT_TRUE(converter->cached(third));
}

TEST_F(Player, TheTestRunGoesThroughThePlayersAndTimerPptEndsTheEntry)
{
    surface.pages = 1;
    const QString show =
        write(QStringLiteral("show.fodp"), flatPresentation({{"#ff0000", "PT1S"}}));
    settings.setText(key::SCEdit1, QStringLiteral("2"));
    settings.setText(key::SCEdit50, show);
    settings.setText(key::SpinEdit26, QStringLiteral("5"));
    settings.setText(key::SpinEdit28, QStringLiteral("6"));
    PlayerRegistry registry(log, test::everyKind(*player));
    SlideShowControl control(settings, notifier, *player, registry);
    QSignalSpy entryEnded(&registry, &ContentPlayers::entryEnded);
    control.SCButton18Click();
    ASSERT_TRUE(entryEnded.wait(30'000));
    EXPECT_EQ(entryEnded.at(0).at(0).value<QChar>(), u'p');
    EXPECT_EQ(surface.rect, QRect(5, 6, 300, 400));
    EXPECT_TRUE(events().contains(QStringLiteral("started p 2 ") + show));
}

}  // namespace
