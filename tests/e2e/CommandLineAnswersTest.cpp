// What the real program answers where a script or a person could be left
// guessing: a refused argument in one line and where the help is, an empty
// list of units, a unit name two units share, a filter file's long list of
// lines it did not take, and a file of far too many filters.
#include "RunProgram.h"

#include "model/FilterText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct RefusedArguments {
    QStringList arguments;
    const char* reason;
};

void PrintTo(const RefusedArguments& c, std::ostream* os)
{
    *os << '"' << c.arguments.join(QLatin1Char(' ')).toStdString() << '"';
}

class ProgramRefusesInOneLine : public testing::TestWithParam<RefusedArguments> {};

TEST_P(ProgramRefusesInOneLine, TheReasonThenWhereTheHelpIs)
{
    const RefusedArguments& c = GetParam();
    const Ran run = RunProgram(c.arguments);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.err, "quenda: " + std::string(c.reason) + "\nTry 'quenda --help'.\n");
    EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(Arguments, ProgramRefusesInOneLine, testing::Values(
    RefusedArguments{{"gain", "A", "20"}, "the gain is a whole number of dB from -80 to 10, not 20"},
    RefusedArguments{{"gain", "C", "0"}, "the channel is A or B, not C"},
    RefusedArguments{{"recall", "21"}, "a preset is a number from 1 to 20, not 21"},
    RefusedArguments{{"--demo", "frobnicate"}, "unknown command: frobnicate"},
    RefusedArguments{{"--bogus", "info"}, "Unknown option 'bogus'."},
    RefusedArguments{{"--demo", "mute", "B"}, "mute needs A or B and on or off"},
    RefusedArguments{{"--json", "gain", "A", "-6"}, "--json belongs to list, info and fit"},
    RefusedArguments{{"--demo-units", "0"}, "--demo-units takes a number from 1 to 8, not 0"}));

// The machine the tests run on has no unit attached (the refusals above count on it too).
TEST(ProgramList, WithoutAUnitSaysSoAndSucceeds)
{
    const Ran text = RunProgram({"list"});
    EXPECT_EQ(text.exit, 0);
    EXPECT_EQ(text.err, "quenda: no unit attached\n");
    EXPECT_TRUE(text.out.empty());

    const Ran json = RunProgram({"list", "--json"});
    EXPECT_EQ(json.exit, 0);
    EXPECT_EQ(json.out, "[]\n");
    EXPECT_TRUE(json.err.empty());
}

TEST(ProgramHelp, SaysThatEachDemoCommandStartsAfresh)
{
    const Ran help = RunProgram({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("With --demo each command starts from a fresh simulated unit: what one command changed\n"
                            "is gone for the next.\n"),
              std::string::npos);
}

class ProgramFiles : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Write(const char* name, const std::string& text)
    {
        const QString fileName = m_dir.filePath(QString::fromLatin1(name));
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        return fileName;
    }

    QTemporaryDir m_dir;
};

// Settings in which two of the demo's three units have the same name, as a
// program from before names were kept apart could leave them.
TEST_F(ProgramFiles, ANameTwoUnitsShareIsRefusedWithTheUnits)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("Quenda")));
    Write("Quenda/quenda.conf", "[unitNames]\nQD-DEMO-1=Hall\nQD-DEMO-3=Hall\nQD-DEMO-2=Bar\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());   // the window's Qt asks for it
    const std::string refusal =
        "quenda: 2 attached units have the name Hall; choose one with --device SERIAL|PATH:\n"
        "  /dev/hidraw-sim0  serial QD-DEMO-1  Audio Processor (simulated)  version 0200  name Hall\n"
        "  /dev/hidraw-sim2  serial QD-DEMO-3  Audio Processor (simulated)  version 0200  name Hall\n";
    for (const QStringList& arguments :
         {QStringList{"--demo-units", "3", "--device", "Hall", "info"}, QStringList{"--demo-units", "3", "--device", "Hall"}}) {
        const Ran run = RunProgram(arguments, environment);
        EXPECT_EQ(run.exit, 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err, refusal) << arguments.join(' ').toStdString();
    }
    const Ran bar = RunProgram({"--demo-units", "3", "--device", "Bar", "info"}, environment);
    EXPECT_EQ(bar.exit, 0) << bar.err;
    EXPECT_EQ(bar.out.substr(0, bar.out.find('\n')), "unit found: USB 0483:5750 version 0200 at /dev/hidraw-sim1");
}

// A measurement picked by mistake: hundreds of lines that are no filter.
TEST_F(ProgramFiles, OnlyTheFirstTenLinesNotTakenAreNamed)
{
    std::string text = "* Measurement data measured by REW\nFreq(Hz) SPL(dB) Phase(degrees)\n";
    for (int n = 0; n < 506; ++n)
        text += std::to_string(20 + n) + ".000 " + std::to_string(70 + n % 9) + ".5 -12.0\n";
    const QString file = Write("room.txt", text);
    const std::string name = file.toStdString();
    const Ran run = RunProgram({"--demo", "filters-import", "A", file});
    EXPECT_EQ(run.exit, 5);
    std::string expected;
    for (int line = 1; line <= 10; ++line)
        expected += "quenda: " + name + ": line " + std::to_string(line) + ": refused: not a filter, preamp or channel line\n";
    expected += "quenda: " + name + ": … and 498 more\n";
    expected += "quenda: " + name + " holds no peaking or shelf filter and no preamp\n";
    EXPECT_EQ(run.err, expected);
}

// Filters past the twelfth are left out: ten of them are named; every adjustment is.
TEST_F(ProgramFiles, AdjustedLinesAreAllNamedAndLeftOutOnesUpToTen)
{
    std::string text = "Filter: ON PK Fc 10 Hz Gain 20 dB Q 1\n";
    for (int n = 1; n < kMaxFilterLines; ++n)
        text += "Filter: ON PK Fc " + std::to_string(100 + n) + " Hz Gain -2 dB Q 2\n";
    const QString file = Write("many.txt", text);
    const std::string name = file.toStdString();
    const Ran run = RunProgram({"--demo", "filters-import", "B", file});
    EXPECT_EQ(run.exit, 0);
    std::string expected = "quenda: " + name + ": line 1: adjusted: frequency limited to 20 Hz\n" +
                           "quenda: " + name + ": line 1: adjusted: gain limited to +12.0 dB\n";
    for (int line = 13; line <= 22; ++line)
        expected += "quenda: " + name + ": line " + std::to_string(line) + ": left out: beyond the unit's 12 bands\n";
    expected += "quenda: " + name + ": … and 978 more\n";
    expected += "quenda: took 12 of the file's filters into CH B\n";
    EXPECT_EQ(run.err.substr(0, expected.size()), expected);
    EXPECT_NE(run.err.find("\nquenda: sent the filters of " + name + " to CH B\n"), std::string::npos);
}

TEST_F(ProgramFiles, AFileOfMoreFilterLinesThanTheBoundIsRefusedInOneLine)
{
    std::string text;
    for (int n = 0; n <= kMaxFilterLines; ++n)
        text += "Filter " + std::to_string(n + 1) + ": ON PK Fc 1000 Hz Gain 1 dB Q 1\n";
    const QString file = Write("huge.txt", text);
    const Ran run = RunProgram({"--demo", "filters-import", "A", file});
    EXPECT_EQ(run.exit, 5);
    EXPECT_EQ(run.err, "quenda: " + file.toStdString() + ": 1001 filter lines are more than a filter file may have (at most 1000)\n");
}

}  // namespace
