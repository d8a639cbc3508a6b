// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "engine/text/program_version.h"

namespace voltrix {
namespace {

struct Program {
    const char* name;
    const char* path;
};

struct Finished {
    int exitCode = -1;
    QString out;
    QString err;
};

Finished start(const Program& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(program.path), arguments);
    Finished run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.name << " did not end";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class CommandLineTest : public ::testing::TestWithParam<Program> {};

// --version and --help answer and end without opening a window.
TEST_P(CommandLineTest, VersionAndHelpAnswerAndEnd) {
    const Finished version = start(GetParam(), {QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(),
              QStringLiteral("VOLTRIX - PC ") + QString::fromLatin1(kProgramVersion));

    const Finished help = start(GetParam(), {QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--version"))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("VOLTRIX"))) << help.out.toStdString();
    // Where the settings are, for whoever looks for them.
    EXPECT_TRUE(help.out.contains(QStringLiteral("Settings file: "))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("config.ini"))) << help.out.toStdString();
}

// The answers need no display: over SSH, or a package's smoke test.
TEST_P(CommandLineTest, VersionAnswersWithoutADisplay) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        environment.remove(QString::fromLatin1(name));
    }
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(GetParam().path), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
              QStringLiteral("VOLTRIX - PC ") + QString::fromLatin1(kProgramVersion));
}

// A mistyped option is refused with a message and a failing exit code,
// rather than silently opening the window.
TEST_P(CommandLineTest, AnUnknownOptionIsRefused) {
    const Finished run = start(GetParam(), {QStringLiteral("--no-such-option")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no-such-option"))) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Programs, CommandLineTest,
                         ::testing::Values(Program{"voltrix_pc", VOLTRIX_PC_PATH},
                                           Program{"voltrix_pc_demo", VOLTRIX_PC_DEMO_PATH},
                                           Program{"voltrix_view", VOLTRIX_VIEW_PATH}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace voltrix
