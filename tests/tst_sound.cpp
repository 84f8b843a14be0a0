#include "HoverBold.h"
#include "ProgramDirectory.h"
#include "RecordingSoundPlayer.h"
#include "Sounds.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QtMessageHandler consoleHandler = nullptr;
QStringList consoleLines;

// Stands for the console: counts what would be printed, then prints it.
void countConsoleLines(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    consoleLines.append(message);
    consoleHandler(type, context, message);
}

} // namespace

class TestSound : public QObject {
    Q_OBJECT

    QTemporaryDir programDir_;

private Q_SLOTS:
    void initTestCase() {
        setProgramDirectory(programDir_.path());
        // No sound server, whatever machine the test runs on.
        qputenv("PULSE_SERVER", "unix:/nonexistent");
    }

    void playSoundAddressesFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inProgramDirectory");
        QTest::newRow("Giris bare") << "Giris.wav" << false;
        QTest::newRow("Kapan bare") << "Kapan.wav" << false;
        QTest::newRow("Recycle from the program directory") << "Recycle.wav" << true;
        QTest::newRow("Cmd from the program directory") << "Cmd.wav" << true;
    }
    void playSoundAddressesFiles() {
        QFETCH(QString, name);
        QFETCH(bool, inProgramDirectory);
        RecordingSoundPlayer player;
        playSound(name);
        QCOMPARE(player.played, QStringList{inProgramDirectory ? programDir_.filePath(name) : name});
    }

    // Moves: a digit is that button, "w" the window's background, "l" a label on the window.
    void hoverBold_data() {
        QTest::addColumn<HoverBold::Mode>("mode");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("bold");
        QTest::addColumn<int>("clicks");
        using M = HoverBold::Mode;
        QTest::newRow("entering a button clicks and bolds it") << M::Clicking << "0" << 0 << 1;
        QTest::newRow("moving on a bold button stays quiet") << M::Clicking << "0 0 0" << 0 << 1;
        QTest::newRow("the next button takes the bold") << M::Clicking << "0 2" << 2 << 2;
        QTest::newRow("the background clears the bold") << M::Clicking << "1 w" << -1 << 1;
        QTest::newRow("a label is not the background") << M::Clicking << "1 l" << 1 << 1;
        QTest::newRow("entering again clicks again") << M::Clicking << "0 w 0" << 0 << 2;
        QTest::newRow("silent: no click") << M::Silent << "0 1 1" << 1 << 0;
        QTest::newRow("silent: the background keeps the bold") << M::Silent << "0 w l" << 0 << 0;
    }
    void hoverBold() {
        QFETCH(HoverBold::Mode, mode);
        QFETCH(QString, moves);
        QFETCH(int, bold);
        QFETCH(int, clicks);

        QWidget window;
        window.resize(400, 200);
        QList<QAbstractButton*> buttons;
        for (int i = 0; i < 3; ++i) {
            auto* button = new QPushButton(QStringLiteral("Düğme %1").arg(i), &window);
            button->setGeometry(10 + 120 * i, 10, 100, 30);
            buttons.append(button);
        }
        auto* label = new QLabel(QStringLiteral("Etiket"), &window);
        label->setGeometry(10, 100, 100, 30);
        new HoverBold(buttons, &window, mode);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        RecordingSoundPlayer player;
        // Through the window, as the platform delivers moves; each at a new point, since a move to
        // where the pointer already is goes nowhere.
        QTest::mouseMove(window.windowHandle(), QPoint(1, 1));
        const QStringList steps = moves.split(u' ');
        for (int step = 0; step < steps.size(); ++step) {
            QWidget* target = steps[step] == u'w'   ? &window
                              : steps[step] == u'l' ? static_cast<QWidget*>(label)
                                                    : buttons[steps[step].toInt()];
            QTest::mouseMove(window.windowHandle(),
                             target->mapTo(&window, target->rect().center() + QPoint(step, 0)));
        }

        for (int i = 0; i < buttons.size(); ++i)
            QCOMPARE(buttons[i]->font().bold(), i == bold);
        QCOMPARE(player.played, QStringList(clicks, programDir_.filePath(QStringLiteral("Cmd.wav"))));
    }

    // The real player with no audio device: switching between a good file, a missing one and one
    // that is not a sound must neither hang nor crash, and the console gets one line at most.
    void realPlayerWithoutAudioDevice() {
        consoleHandler = qInstallMessageHandler(countConsoleLines);
        const QString notASound = programDir_.filePath(QStringLiteral("bozuk.wav"));
        QFile garbage(notASound);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("RIFF, but nothing after it");
        garbage.close();

        const QString cmd = QStringLiteral(KTS_SOUND_DIR "/Cmd.wav");
        for (const QString& file :
             {cmd, programDir_.filePath(QStringLiteral("yok.wav")), notASound, cmd, cmd}) {
            sound::player().play(file);
            QTest::qWait(200);
        }

        qInstallMessageHandler(consoleHandler);
        QVERIFY2(consoleLines.size() <= 1, qPrintable(consoleLines.join(u'\n')));
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
