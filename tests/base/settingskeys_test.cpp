// The key constants and the schema are two lists of the same 211 names: a constant without a
// schema entry would read an empty setting, an entry without a constant invites string literals.
#include <gtest/gtest.h>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "base/controlspec.h"

namespace velumo {
namespace {

TEST(SettingsKeys, ConstantsAndSchemaNameTheSameControls)
{
    QFile header(qEnvironmentVariable("VELUMO_SOURCE_DIR") + "/src/base/settingskeys.h");
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(header.readAll());
    const QRegularExpression constant(
        QStringLiteral(R"re(inline constexpr char (\w+)\[\] = "([^"]*)";)re"));
    QSet<QString> constants;
    for (const QRegularExpressionMatch& m : constant.globalMatch(text)) {
        EXPECT_EQ(m.captured(1), m.captured(2)) << "a constant names another control";
        EXPECT_FALSE(constants.contains(m.captured(2))) << m.captured(2).toStdString();
        constants.insert(m.captured(2));
    }
    QSet<QString> schema;
    for (const ControlSpec& entry : controlSchema()) {
        EXPECT_FALSE(schema.contains(QLatin1String(entry.name))) << entry.name;
        schema.insert(QLatin1String(entry.name));
    }
    EXPECT_EQ(schema.size(), 211);
    for (const QString& name : constants - schema)
        ADD_FAILURE() << "constant without a schema entry: " << name.toStdString();
    for (const QString& name : schema - constants)
        ADD_FAILURE() << "schema entry without a constant: " << name.toStdString();
}

}  // namespace
}  // namespace velumo
