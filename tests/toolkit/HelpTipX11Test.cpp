// The help tip on a real X server: an Xvfb of the test's own, and the probe program on it.
#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

constexpr int kWaitMs = 30000; // every wait below fails the test when this runs out
constexpr int kCursorSize = 24;

// Starts an Xvfb on the first free display: with -displayfd it writes the number to our stdout.
// Returns ":N", or empty when the server did not come up.
QString StartXvfb(QProcess& xvfb)
{
    xvfb.start(QStringLiteral("Xvfb"), QStringList{"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QByteArray output;
    while (!output.contains('\n') && xvfb.waitForReadyRead(kWaitMs))
        output += xvfb.readAllStandardOutput();
    return output.contains('\n') ? QStringLiteral(":") + QString::fromLatin1(output.trimmed()) : QString();
}

using Rgb = std::array<int, 3>;

Rgb ToRgb(const QList<int>& values)
{
    return values.size() == 3 ? Rgb{values[0], values[1], values[2]} : Rgb{-1, -1, -1};
}

Rgb Darkened(const Rgb& rgb, int f)
{
    Rgb result{};
    std::transform(rgb.begin(), rgb.end(), result.begin(), [f](int c) { return c > f ? c - f : 0; });
    return result;
}

TEST(HelpTipX11Test, TipShowsBelowTheRestingPointerWithItsOwnShadow)
{
    QProcess xvfb;
    const auto stopXvfb = qScopeGuard([&xvfb] {
        xvfb.terminate();
        if (!xvfb.waitForFinished(kWaitMs))
            xvfb.kill();
    });
    const QString display = StartXvfb(xvfb);
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";

    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XCURSOR_SIZE"), QString::number(kCursorSize));
    environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("print_suppressions=0:suppressions=") + KESTRUM_X11_LEAKS);
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(QStringLiteral(KESTRUM_HELPTIP_PROBE), {});
    ASSERT_TRUE(probe.waitForFinished(kWaitMs));
    const QByteArray output = probe.readAllStandardOutput();
    ASSERT_EQ(probe.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(probe.exitCode(), 0) << output.constData();

    QMap<QString, QList<int>> facts;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        QList<int>& values = facts[QString::fromLatin1(words[0])];
        for (qsizetype i = 1; i < words.size(); ++i)
            values.push_back(words[i].toInt());
    }
    const QList<int> pointer = facts.value(QStringLiteral("pointer"));
    const QList<int> tip = facts.value(QStringLiteral("tip"));
    ASSERT_EQ(pointer.size(), 2) << output.constData();
    ASSERT_EQ(tip.size(), 4) << output.constData();
    EXPECT_EQ(tip[0], pointer[0]);
    EXPECT_EQ(tip[1], pointer[1] + kCursorSize);

    const Rgb tipText = ToRgb(facts.value(QStringLiteral("tiptext")));
    const Rgb tipBase = ToRgb(facts.value(QStringLiteral("tipbase")));
    const Rgb frameExpected = tipText == tipBase ? Rgb{0, 0, 0} : tipText;
    EXPECT_EQ(ToRgb(facts.value(QStringLiteral("frame"))), frameExpected);
    // No compositing manager runs on the bare server: the tip darkens what lies behind its strip.
    const Rgb beside = ToRgb(facts.value(QStringLiteral("beside")));
    ASSERT_GT(*std::min_element(beside.begin(), beside.end()), 80) << "the strip lies over the dialog";
    EXPECT_EQ(ToRgb(facts.value(QStringLiteral("strip0"))), Darkened(beside, 80));
    EXPECT_EQ(ToRgb(facts.value(QStringLiteral("strip1"))), Darkened(beside, 48));
    EXPECT_EQ(ToRgb(facts.value(QStringLiteral("strip2"))), Darkened(beside, 16));
}

} // namespace
