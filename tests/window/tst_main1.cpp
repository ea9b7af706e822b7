// The window as a user meets it, with a fake desktop: start-up, layout, key filters, the run,
// rotation, saving and the link.

#include "compute/engine/drawdown_engine.h"
#include "compute/messages.h"
#include "compute/observations.h"
#include "fake_desktop.h"
#include "platform/program_folders.h"
#include "scenario/fit_record.h"
#include "scenario/scenario.h"
#include "scenario/scenario_file.h"
#include "scenario/unit_conversion.h"
#include "support/paint_counter.h"
#include "surfer/automation.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "views/fit_chart.h"
#include "window/boundaries_tab.h"
#include "window/controls.h"
#include "window/main1.h"
#include "window/module1.h"
#include "window/options_tab.h"
#include "window/pumping_test_tab.h"
#include "window/time_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <QScrollArea>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <thread>

using namespace drawfield;

namespace {

// Stands in for the mapping program: records the members asked for; creation can fail.
class ListeningClient : public AutomationClient {
public:
    explicit ListeningClient(QStringList& log, bool creationFails)
        : m_log(log)
        , m_creationFails(creationFails)
    {
    }
    ObjectRef create(const QString& className) override
    {
        m_log << className;
        if (m_creationFails)
            throw AutomationError("cannot start drawfield-mapper: No such file or directory");
        return { 1 };
    }
    AutomationValue get(ObjectRef, const QString& property) override
    {
        m_log << property;
        return { ObjectRef { 1 }, {} };
    }
    void put(ObjectRef, const QString& property, const QJsonValue&) override { m_log << property; }
    AutomationValue call(
        ObjectRef, const QString& method, const AutomationArguments& arguments) override
    {
        m_log << method
                + (arguments.empty() ? QString()
                                     : QLatin1Char(' ') + arguments.front().value.toString());
        return { ObjectRef { 1 }, {} };
    }

private:
    QStringList& m_log;
    bool m_creationFails;
};

// A mapping program that works on the gridding until the export is stopped.
class WorkingClient : public AutomationClient {
public:
    explicit WorkingClient(std::atomic<bool>& gridding)
        : m_gridding(gridding)
    {
    }
    ObjectRef create(const QString&) override { return { 1 }; }
    AutomationValue get(ObjectRef, const QString&) override { return { ObjectRef { 1 }, {} }; }
    void put(ObjectRef, const QString&, const QJsonValue&) override { }
    AutomationValue call(ObjectRef, const QString& method, const AutomationArguments&) override
    {
        if (method != QLatin1String("GridData"))
            return { ObjectRef { 1 }, {} };
        m_gridding = true;
        while (!m_stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        throw AutomationLost("cannot call GridData: the export was stopped");
    }
    void watch(std::stop_token stop, std::function<void(double)>) override { m_stop = stop; }

private:
    std::atomic<bool>& m_gridding;
    std::stop_token m_stop;
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A scenario that uses every key the window has a field for, with texts a careless user types:
// blanks, decimal commas, quotes, comment characters. The choices hold what their controls show.
ScenarioTexts oddScenario()
{
    ScenarioTexts texts;
    texts.xMin = " 12,5";
    texts.yMin = "\"2\"";
    texts.xMax = "250 ";
    texts.cellSize = "2,5";
    texts.transmissivity = "0.003 # not a comment";
    texts.storage = "4;5";
    texts.pumpTime = "= 24";
    texts.thickness = "";
    texts.method = "theis";
    texts.unconfined = "yes";
    texts.georeference = { "500000,5", " 5700000", "EPSG:25832" };
    for (std::size_t i = 0; i < texts.bores.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        texts.bores[i] = { n + "0,5", " " + n, "\"" + n + "\"" };
        texts.bores[i].schedule = n + ":0, 48:" + n + ",5";
    }
    texts.boundaries[0] = { "barrier", "10", " 0", "10,0", "\"100\"" };
    texts.boundaries[1] = { "recharge", "0", "5", "100", "5 ; 6" };
    for (std::size_t i = 0; i < texts.observations.size(); ++i)
        texts.observations[i]
            = { "Farm \"well\" " + std::to_string(i) + ", east", "1,5", "#2", "" };
    texts.profile = { "0", "0,5", " 100", "100 " };
    texts.yMax = "120 ";
    texts.coordinates = "local";
    texts.report = { "Site; \"A\"", "P", "C", "Au", "8 Dec", "n # 1", "1 d, 2 year" };
    // Rows beyond the tables' and names no field shows are kept as read.
    texts.bores[2].name = "PW-3 # deep";
    texts.bores.resize(7);
    texts.bores[6] = { "60", "70", "8" };
    texts.bores[6].name = "North; spare";
    texts.observations.resize(12);
    texts.observations[11] = { "Spring", "11,5", "12", "" };
    return texts;
}

} // namespace

class Main1Test : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<main1> m_window;

    main1& window() { return *m_window; }
    FakeDesktop& desktop() { return *m_desktop; }
    int px(double twipsValue) const { return m_window->twips(twipsValue); }

    // Shipped pumping-test files copied into a folder of the temporary one: the first one's
    // path, or empty when a copy failed.
    [[nodiscard]] QString copiedPumpingTest(
        const QString& folder, std::initializer_list<const char*> names)
    {
        const QString shipped = QStringLiteral(DRAWFIELD_SOURCE_DIR "/resources/pumping-test/");
        const QString into = m_folder->filePath(folder) + QLatin1Char('/');
        QDir().mkpath(into);
        for (const char* name : names)
            if (!QFile::copy(shipped + QLatin1String(name), into + QLatin1String(name)))
                return {};
        return into + QLatin1String(*names.begin());
    }

private slots:
    void init()
    {
        // The program's folder, with the information page beside the program as installed.
        m_folder = std::make_unique<QTemporaryDir>();
        QFile::copy(QStringLiteral(DRAWFIELD_SOURCE_DIR "/resources/drawfield.rtf"),
            m_folder->filePath(QStringLiteral("drawfield.rtf")));
        QFile marker(m_folder->filePath(QLatin1String(BuildTreeMarker))); // data/ beside it
        QVERIFY(marker.open(QIODevice::WriteOnly));
        m_desktop = std::make_unique<FakeDesktop>(m_folder->path());
        m_window = std::make_unique<main1>(*m_desktop);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_window.reset();
        m_desktop.reset();
        m_folder.reset();
    }

    void startUp()
    {
        // The well table: its headings and the example's two bores.
        FlexGrid& grid = *window().Grid1;
        QCOMPARE(QSize(grid.columnCount(), grid.rowCount()), QSize(4, 6));
        const QStringList cells[] = { { "", " X well", " Y well", " Pumping rate (m3/H)" },
            { "Bore 1", "30", "30", "6" }, { "Bore 2", "60", "60", "4" }, { "Bore 3", "", "", "" },
            { "Bore 4", "", "", "" }, { "Bore 5", "", "", "" } };
        for (int row = 0; row <= 5; ++row)
            for (int column = 0; column <= 3; ++column)
                QCOMPARE(grid.TextMatrix(row, column), cells[row][column]);
        QCOMPARE(window().AppTitle, QStringLiteral("Drawfield 2.0"));
        QCOMPARE(window().windowTitle(), QStringLiteral("Drawfield 2.0"));

        QComboBox& combo = *window().Combo1;
        QStringList sizes;
        for (int i = 0; i < combo.count(); ++i)
            sizes << combo.itemText(i);
        QCOMPARE(sizes, QStringList({ "1", "2.5", "5", "10" }));
        QCOMPARE(combo.currentText(), QStringLiteral("1"));
        for (QWidget* fixed : { static_cast<QWidget*>(&combo),
                 static_cast<QWidget*>(window().Text1), static_cast<QWidget*>(window().Text4) })
            QVERIFY(!fixed->isEnabled());
        QCOMPARE(QStringList(
                     { window().Text2->text(), window().Text5->text(), window().Text13->text() }),
            QStringList({ "100", "0.003", "20" }));

        // The four tabs, then the options beyond the classic run.
        QStringList captions;
        for (int tab = 0; tab < window().SSTab1->count(); ++tab)
            captions << window().SSTab1->tabBar()->tabText(tab);
        QCOMPARE(captions,
            QStringList({ "Data Input", "Map", "3D View", "Infos", "Options", "Time and Boundaries",
                "Curves", "Pumping test" }));
        QCOMPARE(window().SSTab1->currentIndex(), 0);
        QVERIFY(window().options->methodButton(WellMethod::CooperJacob)->isChecked());
        QVERIFY(!window().options->unconfined->isChecked());
        QVERIFY(window().Chart3D1->isHidden() && window().Chart3D2->isHidden());
        // The button covers the progress box, which lies behind it.
        QCOMPARE(window().Command1->geometry(), QRect(px(4680), px(480), px(4335), px(375)));
        QCOMPARE(window().Progressbarx->geometry(), window().Command1->geometry());
        QVERIFY(!window().Progressbarx->isHidden());
        QVERIFY(window().Command1->parentWidget()->children().indexOf(window().Command1)
            > window().Command1->parentWidget()->children().indexOf(window().Progressbarx));
        QVERIFY(window().RichTextBox1->toPlainText().contains(QStringLiteral("Cooper-Jacob")));
        QCOMPARE(window().Text10->toolTip(), QStringLiteral("Lauch Explorer"));
        QVERIFY(desktop().messages.empty());
    }

    void missingInformationPageIsSaidOnItsTab()
    {
        QFile::remove(m_folder->filePath(QStringLiteral("drawfield.rtf")));
        main1 another(desktop());
        QVERIFY(
            another.RichTextBox1->toPlainText().startsWith(QStringLiteral("The information page ")
                + m_folder->filePath(QStringLiteral("drawfield.rtf")) + " could not be read"));
        QCOMPARE(another.Grid1->TextMatrix(1, 1), QStringLiteral("30")); // start-up went on
    }

    void layoutFollowsTheWindowAndKeepsItsMinimum_data()
    {
        QTest::addColumn<int>("widthTwips");
        QTest::addColumn<int>("heightTwips");
        QTest::addColumn<int>("expectedWidth");
        QTest::addColumn<int>("expectedHeight");
        QTest::newRow("8000 x 5000") << 8000 << 5000 << 8000 << 5000;
        QTest::newRow("larger") << 12000 << 9000 << 12000 << 9000;
        QTest::newRow("too narrow") << 6000 << 7000 << 8000 << 7000;
        QTest::newRow("too low") << 9000 << 3000 << 9000 << 5000;
    }
    void layoutFollowsTheWindowAndKeepsItsMinimum()
    {
        QFETCH(int, widthTwips);
        QFETCH(int, heightTwips);
        QFETCH(int, expectedWidth);
        QFETCH(int, expectedHeight);
        // The layout measures the window's outer size, its frame included.
        const QSizeF frame = window().outerSizeTwips()
            - QSizeF(window().toTwips(window().width()), window().toTwips(window().height()));
        window().resize(px(widthTwips - frame.width()), px(heightTwips - frame.height()));
        auto outerPixels = [&] {
            return QSize(
                px(window().outerSizeTwips().width()), px(window().outerSizeTwips().height()));
        };
        QTRY_COMPARE(outerPixels(), QSize(px(expectedWidth), px(expectedHeight)));
        const int w = expectedWidth, h = expectedHeight;
        const double outerWidth = std::max(8000.0, window().outerSizeTwips().width());
        const double outerHeight = std::max(5000.0, window().outerSizeTwips().height());
        QCOMPARE(window().SSTab1->size(), QSize(px(outerWidth - 500), px(outerHeight - 800)));
        auto fromTab = [&](int dw, int dh) {
            return QSize(px(window().toTwips(window().SSTab1->width()) - dw),
                px(window().toTwips(window().SSTab1->height()) - dh));
        };
        QCOMPARE(window().Chart3D1->size(), fromTab(400, 600));
        QCOMPARE(window().Chart3D2->size(), fromTab(2200, 800));
        QCOMPARE(window().RichTextBox1->size(), fromTab(400, 700));
        QCOMPARE(window().Picture2->size(), fromTab(400, 700));
        if (w == 8000 && h == 5000) {
            QCOMPARE(window().SSTab1->size(), QSize(px(7500), px(4200)));
            QCOMPARE(window().Chart3D1->size(), QSize(px(7100), px(3600)));
            QCOMPARE(window().Chart3D2->size(), QSize(px(5300), px(3400)));
        }
        // Positions never move.
        QCOMPARE(window().Chart3D2->pos(), QPoint(px(2040), px(480)));
        QCOMPARE(window().Grid1->TextMatrix(3, 0), QStringLiteral("Bore 3"));
    }

    void filterKeyRule_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("allowed");
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("result");
        QTest::newRow("digit") << int('7') << "0123456789" << -1 << int('7');
        QTest::newRow("lower-case e kept as typed") << int('e') << "0123456789E" << -1 << int('e');
        QTest::newRow("point where none is allowed") << int('.') << "0123456789E" << -1 << 0;
        QTest::newRow("backspace with the flag") << 8 << "0123456789" << -1 << 8;
        QTest::newRow("backspace without it") << 8 << "0123456789" << 1 << 0;
        QTest::newRow("minus") << int('-') << ".0123456789" << -1 << 0;
        QTest::newRow("plus") << int('+') << ".0123456789" << -1 << 0;
        QTest::newRow("Enter") << 13 << ".0123456789" << -1 << 0;
        QTest::newRow("Escape") << 27 << ".0123456789" << -1 << 0;
        QTest::newRow("Ctrl+V") << 22 << ".0123456789" << -1 << 0;
        QTest::newRow("accented letter") << 0xE9 << "0123456789E" << -1 << 0;
        QTest::newRow("code 0") << 0 << "0123456789" << -1 << 0;
    }
    void filterKeyRule()
    {
        QFETCH(int, code);
        QFETCH(QString, allowed);
        QFETCH(int, flag);
        QFETCH(int, result);
        int got = Module1::FilterKey(
            static_cast<std::int16_t>(code), allowed, static_cast<std::int16_t>(flag), desktop());
        QCOMPARE(got, result);
        QCOMPARE(desktop().beeps, result == 0 ? 1 : 0);
    }

    void fieldsFilterTypedCharacters()
    {
        const struct {
            const char* field;
            const char* typed;
            const char* text; // what the field holds after typing into it empty
            int beeps;
        } cases[] = {
            // Decimals as the quantities need them: 0.005 stayed 0005 (5 m2/s) before.
            { "Text5", "5.0e-3", "5.0e-3", 0 },
            { "Text5", "1e+3", "1e3", 1 },
            { "Text6", "0.01", "0.01", 0 },
            { "Text8", "12.5", "12.5", 0 },
            { "Text7", "1..5", "1..5", 0 },
            { "Text2", "25.5", "255", 1 },
            // After a number a unit word may follow (its word is judged when the field is left).
            { "Text6", "4a", "4a", 0 },
            { "Text6", "a4", "4", 1 },
            { "Text8", "-20", "20", 1 },
            { "Text13", "+15", "15", 1 },
            { "Text2", "1E2", "12", 1 },
        };
        for (const auto& c : cases) {
            auto* box = window().findChild<QLineEdit*>(QLatin1String(c.field));
            window().SSTab1->setCurrentIndex(box == window().Text13 ? 2 : 0);
            box->clear();
            box->setFocus();
            desktop().beeps = 0;
            QTest::keyClicks(box, QLatin1String(c.typed));
            QCOMPARE(box->text(), QLatin1String(c.text));
            QCOMPARE(desktop().beeps, c.beeps);
        }
    }

    // A value typed with a unit word, in every preset: converted into the field's unit, which
    // the caption names; a word of another quantity is refused with a message. Choosing units
    // converts the values shown, and what they read as stays the same.
    void unitPresetsAndATypedUnit()
    {
        window().setFieldTexts(ScenarioTexts::example());
        const ScenarioInputs before = readScenario(window().fieldTexts()).inputs;
        const struct {
            int preset;
            const char *caption, *shown, *depth;
        } cases[] = {
            { 1, "Transmissivity (m2/d)", "450", "Read at &depth (m)" },
            { 2, "Transmissivity (ft2/d)", "4843.759687519375", "Read at &depth (ft)" },
            { 0, "Transmissivity (m2/s)", "0.005208333333333333", "Read at &depth (m)" },
        };
        for (const auto& c : cases) {
            window().options->unitPreset->setCurrentIndex(c.preset);
            QCOMPARE(window().Label1->text(), QLatin1String(c.caption));
            // The map's depth is typed in the unit of lengths, which its caption names.
            QCOMPARE(window().options->findChild<QLabel*>(QStringLiteral("MapDepthLabel"))->text(),
                QLatin1String(c.depth));
            const ScenarioReading shown = readScenario(window().fieldTexts());
            QVERIFY(shown.accepted());
            for (auto [now, then] :
                { std::pair { shown.inputs.Transmissivity, before.Transmissivity },
                    { shown.inputs.Storage, before.Storage },
                    { shown.inputs.PumpTimeSeconds, before.PumpTimeSeconds },
                    { shown.inputs.Wells[0].Rate, before.Wells[0].Rate } })
                QVERIFY(std::fabs(now - then) <= 1e-12 * then);

            QLineEdit& box = *window().Text5;
            box.setFocus();
            box.clear();
            QTest::keyClicks(&box, QStringLiteral("450 m2/d"));
            QTest::keyClick(&box, Qt::Key_Tab); // leaving the field
            QCOMPARE(box.text(), QLatin1String(c.shown));
            const double read = readScenario(window().fieldTexts()).inputs.Transmissivity;
            QVERIFY(std::fabs(read - 450.0 / 86400.0) <= 1e-12 * read);
            window().Text5->setText(QString::fromStdString(
                convertedTexts(ScenarioTexts::example(), window().options->unitTexts())
                    .transmissivity));
        }
        QVERIFY(window().fieldTexts().units.isEmpty()); // as specified: no [units] written
        QCOMPARE(desktop().units, QStringList());

        // The units chosen last are a new window's: the example in them.
        window().options->unitPreset->setCurrentIndex(2);
        QCOMPARE(desktop().units, QStringList({ "ft", "ft2/d", "fraction", "d", "gpm" }));
        {
            main1 next(desktop());
            QCOMPARE(next.Label1->text(), QStringLiteral("Transmissivity (ft2/d)"));
            const ScenarioReading reading = readScenario(next.fieldTexts());
            QVERIFY(reading.accepted());
            QVERIFY(std::fabs(reading.inputs.Transmissivity - 0.003) <= 1e-15);
            QVERIFY(!next.hasUnsavedChanges());
        }
        window().options->unitPreset->setCurrentIndex(0);
        QCOMPARE(QString::fromStdString(scenarioFileText(window().fieldTexts())),
            QString::fromStdString(scenarioFileText(ScenarioTexts::example())));

        desktop().messages.clear();
        window().Text5->setFocus();
        window().Text5->clear();
        QTest::keyClicks(window().Text5, QStringLiteral("450 m2"));
        QTest::keyClick(window().Text5, Qt::Key_Tab);
        QCOMPARE(desktop().messages.size(), std::size_t(1));
        QVERIFY(desktop().messages[0].text.contains(
            QStringLiteral("\"m2\" is not a unit of transmissivity")));
        window().setFieldTexts(ScenarioTexts::example());
    }

    void navigationAndBackspaceKeepWorking()
    {
        QLineEdit& box = *window().Text5;
        box.setFocus();
        box.setText(QStringLiteral("0.003"));
        box.end(false);
        QTest::keyClick(&box, Qt::Key_Backspace);
        QCOMPARE(box.text(), QStringLiteral("0.00"));
        QTest::keyClick(&box, Qt::Key_Home);
        QTest::keyClick(&box, Qt::Key_Delete);
        QTest::keyClick(&box, Qt::Key_Right);
        QTest::keyClick(&box, Qt::Key_Left);
        QCOMPARE(box.text(), QStringLiteral(".00"));
        QCOMPARE(desktop().beeps, 0);
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(desktop().beeps, 1); // Enter is a character here, and refused
    }

    void wellTableFiltersTypingAndItsEditor()
    {
        FlexGrid& grid = *window().Grid1;
        grid.setFocus();
        grid.setCurrentCell(3, 3);
        auto openEditor = [&] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); };
        QTest::keyClick(&grid, Qt::Key_X); // refused: no editor opens
        QCOMPARE(desktop().beeps, 1);
        QVERIFY(!openEditor());
        QTest::keyClicks(&grid, QStringLiteral("7"));
        QTRY_VERIFY(openEditor() != nullptr);
        QLineEdit* editor = openEditor();
        QCOMPARE(editor->text(), QStringLiteral("7"));
        QTest::keyClicks(editor, QStringLiteral(".5-"));
        QCOMPARE(desktop().beeps, 2);
        // After a number, a unit word: kept whole, never digits run together (6 m3/d as 63).
        QTest::keyClicks(editor, QStringLiteral(" m3/d"));
        QCOMPARE(desktop().beeps, 2);
        QTest::keyClick(editor, Qt::Key_Return); // ends the edit, no beep
        QCOMPARE(desktop().beeps, 2);
        QTRY_COMPARE(grid.TextMatrix(3, 3), QStringLiteral("7.5 m3/d"));
        QCOMPARE(readScenario(window().fieldTexts()).inputs.Wells[2].Rate, 7.5 / 86400.0);
        grid.setTextMatrix(3, 3, QStringLiteral("7.5"));
        // What is typed counts at once; Escape puts the cell back as it was.
        grid.setCurrentCell(2, 3);
        QTest::keyClicks(&grid, QStringLiteral("9"));
        QTRY_VERIFY(openEditor() != nullptr);
        QCOMPARE(grid.TextMatrix(2, 3), QStringLiteral("9"));
        QTest::keyClick(openEditor(), Qt::Key_Escape);
        QCOMPARE(grid.TextMatrix(2, 3), QStringLiteral("4"));
        // Header cells are not editable.
        QVERIFY(!(grid.item(0, 1)->flags() & Qt::ItemIsEditable));
        QVERIFY(!(grid.item(2, 0)->flags() & Qt::ItemIsEditable));
    }

    // Tab walks the fifteen editable cells in reading order and then leaves the table for the
    // next control of the window's tab order; Shift+Tab walks back; Ctrl+Tab leaves at once.
    void tabWalksTheWellTableAndLeavesIt()
    {
        FlexGrid& grid = *window().Grid1;
        window().activateWindow();
        window().Check1->setFocus(Qt::TabFocusReason);
        auto focused = [] { return QApplication::focusWidget(); };
        auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(focused(), key, modifiers);
        };
        // From "Record XYZ" the order reaches the table; it starts at its first cell.
        for (int i = 0; i < 20 && focused() != &grid; ++i)
            press(Qt::Key_Tab);
        QCOMPARE(focused(), &grid);
        QStringList walked;
        for (int i = 0; i < 15; ++i) {
            QVERIFY(focused() == &grid);
            walked << QStringLiteral("%1,%2").arg(grid.currentRow()).arg(grid.currentColumn());
            press(Qt::Key_Tab);
        }
        QCOMPARE(walked.first(), QStringLiteral("1,1"));
        QCOMPARE(walked.last(), QStringLiteral("5,3"));
        QCOMPARE(walked.size(), 15);
        QCOMPARE(walked.removeDuplicates(), 0);
        QCOMPARE(focused(), window().Check2); // "SURFER Grid"
        press(Qt::Key_Tab);
        QCOMPARE(focused(), window().Text10); // the link
        press(Qt::Key_Tab);
        QCOMPARE(focused(), window().Text5); // Transmissivity

        // Back in from "SURFER Grid": the last cell, then back through the table and out.
        window().Check2->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focused(), &grid);
        QCOMPARE(QPoint(grid.currentRow(), grid.currentColumn()), QPoint(5, 3));
        for (int i = 0; i < 15; ++i)
            press(Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(focused() != &grid);

        // An open editor: Tab ends the edit and moves on; in the last cell it leaves.
        grid.setFocus(Qt::OtherFocusReason);
        grid.setCurrentCell(5, 3);
        QTest::keyClicks(&grid, QStringLiteral("9"));
        QTRY_VERIFY(qobject_cast<QLineEdit*>(focused()) != nullptr);
        press(Qt::Key_Tab);
        QTRY_COMPARE(focused(), window().Check2);
        QCOMPARE(grid.TextMatrix(5, 3), QStringLiteral("9"));

        // Ctrl+Tab leaves from any cell.
        grid.setFocus(Qt::OtherFocusReason);
        grid.setCurrentCell(2, 2);
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(focused(), window().Check2);
    }

    // A screen's fields show where the chosen function reads them: the bores' d and l and the
    // points' d' and l' for partial penetration, confined or unconfined; hidden for the rest.
    void theScreenFieldsShowWhereTheFunctionReadsThem_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("shown");
        QTest::newRow("Cooper-Jacob") << QStringLiteral("cooper-jacob") << false;
        QTest::newRow("Hantush") << QStringLiteral("hantush") << false;
        QTest::newRow("partial penetration") << QStringLiteral("partial-penetration") << true;
        QTest::newRow("Neuman") << QStringLiteral("neuman") << true;
    }
    void theScreenFieldsShowWhereTheFunctionReadsThem()
    {
        QFETCH(QString, method);
        QFETCH(bool, shown);
        ScenarioTexts texts = window().fieldTexts();
        texts.method = method.toStdString();
        window().showFieldTexts(texts);
        window().SSTab1->setCurrentIndex(5);
        const TimeBoundariesTab& tab = *window().timeBoundaries;
        int screens = 0;
        for (const auto& [parameter, fields] : tab.boreParameters)
            if (parameter->key.starts_with("screen_")) {
                QCOMPARE(fields[0]->isVisibleTo(&tab), shown);
                ++screens;
            }
        for (std::size_t k = 0; k < tab.observationParameters.size(); ++k)
            if (tab.observationParameters[k]->key.starts_with("screen_")) {
                QCOMPARE(tab.observations->isColumnHidden(4 + static_cast<int>(k)), !shown);
                ++screens;
            }
        QCOMPARE(screens, 4);
    }

    // No table holds the keyboard: from the observation table's last cell Tab leaves, from its
    // first Shift+Tab leaves, and Ctrl+Tab leaves from any cell.
    void noTableIsAKeyboardTrap()
    {
        window().SSTab1->setCurrentIndex(5);
        QTableWidget& table = *window().timeBoundaries->observations;
        auto focused = [] { return QApplication::focusWidget(); };
        auto inTable = [&] { return focused() == &table || table.isAncestorOf(focused()); };
        table.setFocus(Qt::TabFocusReason);
        int presses = 0;
        while (inTable() && presses < 100) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            ++presses;
        }
        QCOMPARE(presses, ObservationCount * 4);
        table.setFocus(Qt::BacktabFocusReason);
        for (presses = 0; inTable() && presses < 100; ++presses)
            QTest::keyClick(focused(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(presses, ObservationCount * 4);
        table.setFocus(Qt::OtherFocusReason);
        table.setCurrentCell(4, 1);
        QTest::keyClick(&table, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!inTable());

        // And no other control on any tab: Tab leaves each, sooner or later.
        for (int tab = 0; tab < window().SSTab1->count(); ++tab) {
            window().SSTab1->setCurrentIndex(tab);
            for (QWidget* control : window().SSTab1->page(tab)->findChildren<QWidget*>()) {
                if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisible()
                    || !control->isEnabled() || control->focusProxy())
                    continue;
                control->setFocus(Qt::TabFocusReason);
                auto inside
                    = [&] { return focused() == control || control->isAncestorOf(focused()); };
                for (presses = 0; inside() && presses < 100; ++presses)
                    QTest::keyClick(focused(), Qt::Key_Tab);
                QVERIFY2(!inside(),
                    qPrintable(
                        QStringLiteral("tab %1: %2 %3")
                            .arg(tab)
                            .arg(control->metaObject()->className(), control->objectName())));
            }
        }
    }

    // Every text is whole and no control lies over another on the tabs beyond the classic four,
    // at the default size and at the smallest the window takes: their content scrolls.
    void everyTextIsWholeAtAnySize_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("smallest");
        QTest::newRow("Options") << 4 << false;
        QTest::newRow("Options, smallest") << 4 << true;
        QTest::newRow("Time and Boundaries") << 5 << false;
        QTest::newRow("Time and Boundaries, smallest") << 5 << true;
    }
    void everyTextIsWholeAtAnySize()
    {
        QFETCH(int, tab);
        QFETCH(bool, smallest);
        if (smallest)
            window().resize(1, 1);
        window().SSTab1->setCurrentIndex(tab);
        QWidget* content = tab == 4 ? static_cast<QWidget*>(window().options)
                                    : static_cast<QWidget*>(window().timeBoundaries);
        QApplication::processEvents();
        for (QWidget* control : content->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(content)
                || qobject_cast<QTableWidget*>(control->parentWidget())
                || qobject_cast<QAbstractScrollArea*>(control->parentWidget()))
                continue;
            const QString name = control->metaObject()->className() + QStringLiteral(" ")
                + control->property("text").toString().left(30);
            if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap())
                QVERIFY2(
                    label->height() >= label->heightForWidth(label->width()), qPrintable(name));
            else
                QVERIFY2(control->height() >= control->minimumSizeHint().height()
                        && control->width() >= control->minimumSizeHint().width(),
                    qPrintable(name));
            for (QWidget* sibling : control->parentWidget()->findChildren<QWidget*>(
                     QString(), Qt::FindDirectChildrenOnly))
                if (sibling != control && sibling->isVisibleTo(content))
                    QVERIFY2(
                        !sibling->geometry().intersects(control->geometry()), qPrintable(name));
        }
    }

    // A name typed without extension takes the one of the filter chosen ("cont" with GeoJSON
    // chosen is cont.geojson, not cont.gpkg).
    void theChosenFilterGivesTheExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("file");
        QTest::newRow("GeoJSON chosen") << "/d/cont"
                                        << "GeoJSON (*.geojson)"
                                        << "/d/cont.geojson";
        QTest::newRow("an extension typed") << "/d/c.gpkg"
                                            << "Shapefile (*.shp)"
                                            << "/d/c.gpkg";
        QTest::newRow("the metafile filter") << "/d/map"
                                             << " *.WMF"
                                             << "/d/map.wmf";
        QTest::newRow("several: the first") << "/d/p"
                                            << "Pictures (*.wmf *.svg)"
                                            << "/d/p.wmf";
        QTest::newRow("any file") << "/d/x"
                                  << "All files (*)"
                                  << "/d/x";
    }
    void theChosenFilterGivesTheExtension()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(QString, file);
        QCOMPARE(withExtensionOfFilter(name, filter), file);
    }

    void theCurrentCellIsNeverAHeader()
    {
        FlexGrid& grid = *window().Grid1;
        grid.setFocus();
        grid.setCurrentCell(1, 1);
        for (Qt::Key key : { Qt::Key_Up, Qt::Key_Left, Qt::Key_Home, Qt::Key_PageUp }) {
            QTest::keyClick(&grid, key, key == Qt::Key_Home ? Qt::ControlModifier : Qt::NoModifier);
            QVERIFY2(grid.currentRow() >= 1 && grid.currentColumn() >= 1,
                qPrintable(QString::number(key)));
        }
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
            grid.visualRect(grid.model()->index(0, 2)).center());
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
            grid.visualRect(grid.model()->index(3, 0)).center());
        QVERIFY(grid.currentRow() >= 1 && grid.currentColumn() >= 1);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
            grid.visualRect(grid.model()->index(4, 2)).center());
        QCOMPARE(QPoint(grid.currentRow(), grid.currentColumn()), QPoint(4, 2));
    }

    // The first layout, before the window has any frame, already shows the well table whole;
    // captions that stand together keep one size.
    void theFirstLayoutShowsTheWellTableWhole()
    {
        main1 fresh(desktop());
        const QRect page = fresh.SSTab1->rect();
        const QRect frame2(fresh.Frame2->mapTo(fresh.SSTab1, QPoint(0, 0)), fresh.Frame2->size());
        QVERIFY2(page.contains(frame2),
            qPrintable(QStringLiteral("Frame2 %1 in the tab control of height %2")
                           .arg(frame2.bottom())
                           .arg(page.height())));
        QCOMPARE(fresh.Check1->font().pointSizeF(), fresh.Check2->font().pointSizeF());
        QCOMPARE(fresh.Label1->font().pointSizeF(), fresh.Label4->font().pointSizeF());
    }

    void aRunOfTheExample()
    {
        window().Check1->setChecked(true);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts(), QStringList());
        const QString record = m_folder->filePath(QStringLiteral("data/drawfield.dat"));
        QCOMPARE(window().recordFilePath(), record);
        QByteArray bytes = fileBytes(record);
        QCOMPARE(bytes.count('\n'), 10000);
        QVERIFY(bytes.startsWith(" 1, 1,-.117231291870562\r\n"));
        QCOMPARE(desktop().textFiles, QStringList { record });

        QCOMPARE(int(window().GridXMax()), 100);
        QCOMPARE(int(window().GridYMax()), 100);
        QCOMPARE(int(window().GridStep()), 1);
        QVERIFY(window().DrawdownGrid());
        QVERIFY(!window().Chart3D1->isHidden());
        QVERIFY(!window().Chart3D2->isHidden());
        QCOMPARE(window().Chart3D1->chartGroup(1)->dataGrid().grid().get(),
            window().DrawdownGrid().get());
        QCOMPARE(window().Chart3D2->chartGroup(1)->dataGrid().grid().get(),
            window().DrawdownGrid().get());
        QCOMPARE(window().SSTab1->currentIndex(), 1);
        QVERIFY(!window().Command1->isHidden());
        QVERIFY(window().Progressbarx->isHidden());
        // One progress box per column, the last reaching the right edge.
        QCOMPARE(window().Progressbarx->boxCount(), 100);
        QCOMPARE(window().Progressbarx->filledTo(), 99);
    }

    void recordFileEmptyWhenNotAskedFor()
    {
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(fileBytes(window().recordFilePath()), QByteArray());
        QVERIFY(QFile::exists(window().recordFilePath()));
        QVERIFY(desktop().textFiles.isEmpty());
        window().Check2->setChecked(true);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().textFiles, QStringList { window().recordFilePath() });
        // No program to show text files: said on the screen, naming the file.
        desktop().textViewerWorks = false;
        desktop().messages.clear();
        window().Check2->setChecked(false);
        window().Check1->setChecked(true);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts().size(), 1);
        QVERIFY(desktop().messageTexts().front().contains(window().recordFilePath()));
    }

    void refusalsLeaveTheLastResult_data()
    {
        QTest::addColumn<QString>("field"); // "rate": bore 1's rate
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no pumping rate") << "rate"
                                         << ""
                                         << "No pumping rate ";
        QTest::newRow("map too large for 16 bits")
            << "Text2"
            << "40000"
            << "X and Y maximum must be a whole number of metres from 1 to 32767; \"40000\" is "
               "outside that range.";
        QTest::newRow("no transmissivity")
            << "Text5"
            << ""
            << "Transmissivity (m2/s) must be greater than 0; \"\" reads as 0.";
    }
    void refusalsLeaveTheLastResult()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        window().Check1->setChecked(true);
        window().Command1_Click();
        const auto grid = window().DrawdownGrid();
        const QByteArray record = fileBytes(window().recordFilePath());
        QImage map = window().Chart3D1->grab().toImage();
        window().SSTab1->setCurrentIndex(0);

        if (field == QLatin1String("rate"))
            window().Grid1->setTextMatrix(1, 3, text);
        else
            window().findChild<QLineEdit*>(field)->setText(text);
        window().Command1_Click();
        QCOMPARE(desktop().messageTexts(), QStringList { message });
        QCOMPARE(window().DrawdownGrid().get(), grid.get());
        QCOMPARE(int(window().GridXMax()), 100);
        QCOMPARE(fileBytes(window().recordFilePath()), record);
        QCOMPARE(window().Chart3D1->grab().toImage(), map);
        QCOMPARE(window().SSTab1->currentIndex(), 0);
        QVERIFY(!window().Command1->isHidden());
    }

    void rotationButtons()
    {
        window().Command1_Click();
        window().SSTab1->setCurrentIndex(2);
        QTest::mouseClick(window().Command24, Qt::LeftButton); // X >>
        QCOMPARE(int(window().viewAngles.ViewAngleX), 20);
        QCOMPARE(window().Chart3D2->viewAngles().x, 20.0);
        for (int press = 0; press < 3; ++press)
            QTest::mouseClick(window().Command25, Qt::LeftButton); // Z <<
        QCOMPARE(int(window().viewAngles.ViewAngleZ), -60);
        QCOMPARE(window().Chart3D2->viewAngles().z, -60.0);
        window().Text13->setText(QStringLiteral("2.5"));
        QTest::mouseClick(window().Command22, Qt::LeftButton); // Y >>
        QTest::mouseClick(window().Command22, Qt::LeftButton);
        QCOMPARE(int(window().viewAngles.ViewAngleY), 4);
        QCOMPARE(window().Chart3D2->viewAngles().x, 20.0);
        QTest::mouseClick(window().Command17, Qt::LeftButton); // Refresh changes no angle
        QCOMPARE(window().Chart3D2->viewAngles().z, -60.0);
        QVERIFY(desktop().messages.empty());
    }

    void refreshBeforeAnyRunChangesNothing()
    {
        QTest::mouseClick(window().Command17, Qt::LeftButton);
        QVERIFY(window().Chart3D2->chartGroup(1)->dataGrid().grid() == nullptr);
        QVERIFY(desktop().messages.empty());
    }

    // Every file the window writes goes one way: the dialog cancelled, nothing is written or
    // said; a name typed without extension takes the export's; "<file> has been recorded"; a file
    // there is replaced only when the user says so; a file that cannot be written is said as
    // what it is, not as recorded.
    void everyExportAsksWritesAndSays_data()
    {
        QTest::addColumn<QString>("command"); // the button's or the menu action's object name
        QTest::addColumn<QString>("initial"); // the dialog's file in the data folder
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("start"); // the file's first bytes
        QTest::addColumn<QString>("what"); // as a failure names it
        const QByteArray wmf("\xD7\xCD\xC6\x9A");
        QTest::newRow("map") << "Command2"
                             << "my_map.wmf"
                             << "run1"
                             << "run1" << wmf << "picture";
        QTest::newRow("surface") << "Command27"
                                 << "my_Plot3D.wmf"
                                 << "s.wmf"
                                 << "s.wmf" << wmf << "picture";
        QTest::newRow("curves") << "SaveCurves"
                                << "my_curves.wmf"
                                << "c"
                                << "c.wmf" << wmf << "picture";
        QTest::newRow("GeoTIFF") << "geotiff"
                                 << "drawdown.tif"
                                 << "d"
                                 << "d.tif" << QByteArray("II*") << "GeoTIFF file";
        QTest::newRow("contours") << "contours"
                                  << "contours.gpkg"
                                  << "c"
                                  << "c.gpkg" << QByteArray("SQLite format 3") << "contour file";
        QTest::newRow("report") << "report"
                                << "report.pdf"
                                << "r"
                                << "r.pdf" << QByteArray("%PDF") << "report";
        QTest::newRow("animation") << "animation"
                                   << "drawdown.gif"
                                   << "a"
                                   << "a.gif" << QByteArray("GIF89a") << "animation";
    }
    void everyExportAsksWritesAndSays()
    {
        QFETCH(QString, command);
        QFETCH(QString, initial);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QByteArray, start);
        QFETCH(QString, what);
        window().Command1_Click();
        const QString data = desktop().dataFolder();
        auto trigger = [&] {
            if (command == QLatin1String("geotiff"))
                window().exportGeoTiffAction->trigger();
            else if (command == QLatin1String("contours"))
                window().exportContoursAction->trigger();
            else if (command == QLatin1String("report"))
                window().exportReportAction->trigger();
            else if (command == QLatin1String("animation"))
                window().exportAnimationAction->trigger();
            else
                QTest::mouseClick(window().findChild<QPushButton*>(command), Qt::LeftButton);
        };
        trigger(); // cancelled
        QCOMPARE(desktop().dialogs.back().initialPath, data + QLatin1Char('/') + initial);
        QVERIFY(desktop().messages.empty());
        QVERIFY(!QFile::exists(data + QLatin1Char('/') + initial));

        desktop().saveAnswers = { data + QLatin1Char('/') + typed };
        trigger();
        const QString file = data + QLatin1Char('/') + written;
        QCOMPARE(desktop().messageTexts(), QStringList { file + " has been recorded" });
        QCOMPARE(desktop().messages[0].icon, MessageIcon::Information);
        QVERIFY(fileBytes(file).startsWith(start));

        writeBytes(file, "keep");
        desktop().saveAnswers = { file };
        desktop().replaceAnswers = { false };
        trigger();
        QCOMPARE(desktop().replaceQuestions.back().split(QLatin1Char('|')).first(), file);
        QCOMPARE(fileBytes(file), QByteArray("keep"));
        // No to the question leads back to the dialog, the name as typed.
        QCOMPARE(desktop().dialogs.back().initialPath, file);

        desktop().messages.clear();
        const QString nowhere = m_folder->filePath(QStringLiteral("drawfield.rtf/x.")) + written;
        desktop().saveAnswers = { nowhere };
        trigger();
        QCOMPARE(desktop().messages.size(), std::size_t { 1 });
        QVERIFY2(desktop().messages[0].text.startsWith(
                     "Cannot write the " + what + " " + nowhere + ": "),
            qPrintable(desktop().messages[0].text));
        QCOMPARE(desktop().messages[0].icon, MessageIcon::Critical);
    }

    void theExportToTheMappingProgram()
    {
        QStringList log;
        bool creationFails = false;
        main1 exporting(
            desktop(), [&] { return std::make_unique<ListeningClient>(log, creationFails); });
        exporting.Command1_Click();
        QVERIFY(log.isEmpty()); // "SURFER Grid" not ticked: no automation at all

        exporting.Check1->setChecked(true);
        exporting.Check2->setChecked(true);
        exporting.Command1_Click();
        QCOMPARE(log.value(0), QStringLiteral("Surfer.Application"));
        QCOMPARE(log.value(2), QStringLiteral("GridData ") + exporting.recordFilePath());
        QCOMPARE(log.size(), 16);
        QVERIFY(desktop().messages.empty());

        // The mapping program missing is said once per run, and the run is complete all the same.
        log.clear();
        creationFails = true;
        exporting.Command1_Click();
        QCOMPARE(log, QStringList { "Surfer.Application" });
        QCOMPARE(desktop().messages.size(), std::size_t { 1 });
        QVERIFY(desktop().messages[0].text.startsWith(QStringLiteral(
            "The mapping program could not be started (cannot start drawfield-mapper")));
        QVERIFY(exporting.Chart3D2->chartGroup(1)->dataGrid().grid() != nullptr);
    }

    // The export runs like the computation: the window keeps painting, input is ignored but for
    // the Stop button (or Escape), and a stopped export says so.
    void theExportCanBeStoppedAndTheWindowPaintsMeanwhile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the Stop button") << "button";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("closing the window") << "close";
    }
    void theExportCanBeStoppedAndTheWindowPaintsMeanwhile()
    {
        QFETCH(QString, how);
        std::atomic<bool> gridding = false;
        main1 exporting(desktop(), [&] { return std::make_unique<WorkingClient>(gridding); });
        exporting.show();
        QVERIFY(QTest::qWaitForWindowExposed(&exporting));
        exporting.Check2->setChecked(true);
        PaintCounter paints(exporting.Chart3D1);
        QSignalSpy goClicks(exporting.Command1, &QPushButton::clicked);
        bool panelShown = false, goIgnored = false, commandsOff = false;
        int paintsWhileExporting = 0;
        std::function<void()> whileExporting = [&] {
            if (!gridding) {
                QTimer::singleShot(10, whileExporting);
                return;
            }
            panelShown = exporting.exportPanel->isVisible();
            QTest::mouseClick(exporting.Command1, Qt::LeftButton); // ignored meanwhile
            goIgnored = goClicks.isEmpty();
            // Menu actions and their shortcuts are off: Ctrl+O opens no dialog meanwhile.
            commandsOff = !exporting.openScenarioAction->isEnabled()
                && !exporting.exportReportAction->isEnabled() && !exporting.quitAction->isEnabled();
            QTest::keyClick(&exporting, Qt::Key_O, Qt::ControlModifier);
            int before = paints.count;
            exporting.Chart3D1->update();
            QTimer::singleShot(100, [&, before] {
                paintsWhileExporting = paints.count - before;
                if (how == QLatin1String("button"))
                    QTest::mouseClick(exporting.exportPanel->stopButton(), Qt::LeftButton);
                else if (how == QLatin1String("escape"))
                    QTest::keyClick(exporting.SSTab1, Qt::Key_Escape);
                else
                    exporting.close();
            });
        };
        QTimer::singleShot(0, whileExporting);
        exporting.Command1_Click();
        QVERIFY(panelShown);
        QVERIFY(goIgnored);
        QVERIFY(commandsOff);
        QVERIFY(desktop().dialogs.empty());
        QVERIFY(exporting.openScenarioAction->isEnabled());
        QVERIFY(paintsWhileExporting > 0);
        QVERIFY(!exporting.exportPanel->isVisible());
        QCOMPARE(desktop().messageTexts(),
            QStringList {
                "The export to the mapping program was stopped. The files of the previous "
                "export are as they were." });
        QCOMPARE(desktop().messages.front().icon, MessageIcon::Information); // not an error
        QCOMPARE(exporting.isVisible(), how != QLatin1String("close"));
    }

    // The options travel with the fields (the texts they give are checked by the round trip);
    // a dewatered aquifer is a warning, not a stop; the classic choices give the classic map.
    void theOptionsTabChangesTheRun()
    {
        window().options->methodButton(WellMethod::Theis)->click();
        window().options->unconfined->click();
        window().Text8->setText(QStringLiteral("0.5"));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts(),
            QStringList { QString::fromLatin1(messages::AquiferDewatered) });
        QCOMPARE(desktop().messages.front().icon, MessageIcon::Warning);
        desktop().messages.clear();
        window().options->methodButton(WellMethod::CooperJacob)->click();
        window().options->unconfined->click();
        window().Text8->setText(QStringLiteral("20"));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QVERIFY(desktop().messages.empty());
        QCOMPARE(window().DrawdownGrid()->at(31, 30),
            computeDrawdown(readScenario(ScenarioTexts::example()).inputs)->grid->at(31, 30));
    }

    // The tables grow: a sixth bore and an eleventh point added, named, run and saved; removed,
    // they are gone from the texts.
    void theTablesGrowWithAddAndRemove()
    {
        TimeBoundariesTab& tab = *window().timeBoundaries;
        QVERIFY(!tab.removeBore->isEnabled());
        tab.addBore->click();
        QCOMPARE(tab.moreBores->rowCount(), 1);
        QCOMPARE(tab.moreBores->verticalHeaderItem(0)->text(), QStringLiteral("6"));
        const char* cells[] = { "PW-6", "70", "30", "2", "", "", "5" };
        for (int c = 0; c < 7; ++c)
            tab.moreBores->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(cells[c])));
        tab.addPoint->click();
        QCOMPARE(tab.observations->rowCount(), ObservationCount + 1);
        tab.observations->setItem(
            ObservationCount, 0, new QTableWidgetItem(QStringLiteral("Spring")));
        tab.observations->setItem(ObservationCount, 1, new QTableWidgetItem(QStringLiteral("90")));
        tab.observations->setItem(ObservationCount, 2, new QTableWidgetItem(QStringLiteral("90")));
        const ScenarioTexts texts = window().fieldTexts();
        QCOMPARE(texts.bores.size(), std::size_t(WellCount + 1));
        QCOMPARE(texts.bores[5].name, std::string("PW-6"));
        QCOMPARE(texts.bores[5].availableDrawdown, std::string("5"));
        QCOMPARE(texts.observations[ObservationCount].name, std::string("Spring"));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(window().DrawdownGrid()->at(70, 30),
            computeDrawdown(readScenario(texts).inputs)->grid->at(70, 30));
        QVERIFY(readScenario(texts).inputs.Wells[5].Rate > 0.0);
        // Saved and opened again, the rows come back.
        const QString file = m_folder->filePath(QStringLiteral("grown.ini"));
        desktop().saveAnswers.push_back(file);
        QVERIFY(window().saveScenarioAs());
        window().setFieldTexts(ScenarioTexts::example());
        QCOMPARE(tab.moreBores->rowCount(), 0);
        desktop().unsavedAnswers.push_back(UnsavedChoice::Discard);
        QVERIFY(window().openScenario(file));
        QCOMPARE(tab.moreBores->rowCount(), 1);
        QCOMPARE(tab.observations->rowCount(), ObservationCount + 1);
        tab.removeBore->click();
        tab.removePoint->click();
        QVERIFY(!tab.removeBore->isEnabled() && !tab.removePoint->isEnabled());
        QCOMPARE(window().fieldTexts().bores.size(), std::size_t(WellCount));
        QCOMPARE(window().fieldTexts().observations.size(), std::size_t(ObservationCount));
    }

    // The map's Y maximum follows X maximum until unlinked; then the map is rectangular.
    void aRectangularMap()
    {
        OptionsTab& options = *window().options;
        window().Text2->setText(QStringLiteral("80"));
        QCOMPARE(options.yMaximum->text(), QStringLiteral("80"));
        QVERIFY(!options.yMaximum->isEnabled());
        QCOMPARE(window().fieldTexts().yMax, std::string());
        options.squareMap->click();
        QVERIFY(options.yMaximum->isEnabled());
        options.yMaximum->setText(QStringLiteral("40"));
        window().Text2->setText(QStringLiteral("90")); // no longer followed
        QCOMPARE(options.yMaximum->text(), QStringLiteral("40"));
        QCOMPARE(window().fieldTexts().yMax, std::string("40"));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(int(window().GridXMax()), 90);
        QCOMPARE(int(window().GridYMax()), 40);
        QCOMPARE(window().DrawdownGrid()->rowCount(), 40);
        // A scenario without one shows the link again.
        window().setFieldTexts(ScenarioTexts::example());
        QVERIFY(options.squareMap->isChecked());
        QCOMPARE(options.yMaximum->text(), QStringLiteral("100"));
    }

    // What the Time and Boundaries tab holds goes into the run: a stopped bore, a barrier, an
    // observation point and a profile give the engine's own map and the curves; a boundary of
    // kind None is left out whatever its points; a refusal names the field.
    void theTimeAndBoundariesTabChangesTheRun()
    {
        TimeBoundariesTab& tab = *window().timeBoundaries;
        tab.schedules[1]->setText(QStringLiteral("12:0"));
        tab.boundaries[0].kind->setCurrentIndex(1);
        for (auto [edit, text] : { std::pair { tab.boundaries[0].x1, "10" },
                 { tab.boundaries[0].y1, "0" }, { tab.boundaries[0].x2, "10" },
                 { tab.boundaries[0].y2, "100" }, { tab.boundaries[1].x1, "5" } })
            edit->setText(QString::fromLatin1(text));
        tab.observations->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Farm well")));
        tab.observations->setItem(0, 1, new QTableWidgetItem(QStringLiteral("75.5")));
        tab.observations->setItem(0, 2, new QTableWidgetItem(QStringLiteral("40")));
        for (auto [edit, text] : { std::pair { tab.profileX1, "10" }, { tab.profileY1, "30" },
                 { tab.profileX2, "100" }, { tab.profileY2, "30" } })
            edit->setText(QString::fromLatin1(text));
        QVERIFY(!window().curvesChart->hasData());
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts(), QStringList());

        ScenarioTexts texts = ScenarioTexts::example();
        texts.bores[1].schedule = "12:0";
        texts.boundaries[0] = { "barrier", "10", "0", "10", "100" };
        texts.observations[0] = { "Farm well", "75.5", "40", "" };
        texts.profile = { "10", "30", "100", "30" };
        ScenarioTexts shown;
        tab.fillTexts(shown);
        QVERIFY(shown.boundaries[1].isEmpty());
        const ScenarioInputs inputs = readScenario(texts).inputs;
        const std::optional<DrawdownResult> expected = computeDrawdown(inputs);
        for (auto [x, y] : { std::pair { 31, 30 }, { 60, 61 }, { 100, 100 } })
            QCOMPARE(window().DrawdownGrid()->at(x, y), expected->grid->at(x, y));
        QVERIFY(std::isnan(window().DrawdownGrid()->at(5, 50)));
        QVERIFY(window().curvesChart->hasData());
        const CurvesData& curves = window().curvesChart->data();
        QCOMPARE(curves.curves.names, std::vector<std::string> { "Farm well" });
        QCOMPARE(curves.marks.size(), std::size_t { 1 });
        QCOMPARE(curves.profile.size(), profileAlong(inputs).size());

        // Shown back, the texts are the same.
        ScenarioTexts again;
        tab.showTexts(shown);
        tab.fillTexts(again);
        QVERIFY(again == shown);

        tab.schedules[0]->setText(QStringLiteral("5:1, 3:2"));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().messages.size(), std::size_t { 1 });
        QVERIFY(desktop().messages[0].text.startsWith(QStringLiteral("Bore 1, schedule")));
    }

    void theMenuBarLeavesTheControlsInPlace()
    {
        // The tabs keep their places in the client area below the menu bar.
        QCOMPARE(window().clientArea->geometry().top(), window().menuBar->geometry().bottom() + 1);
        QCOMPARE(window().SSTab1->parentWidget(), window().clientArea);
        QCOMPARE(window().SSTab1->pos(), QPoint(px(120), px(120)));
        QCOMPARE(window().menuBar->actions().size(), 4); // File, Edit, View, Help
        QCOMPARE(window().openScenarioAction->shortcut(), QKeySequence(QKeySequence::Open));
        QCOMPARE(window().saveScenarioAction->shortcut(), QKeySequence(QKeySequence::Save));
        QCOMPARE(window().quitAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        window().infosAction->trigger();
        QCOMPARE(window().SSTab1->currentIndex(), 3);
        // The smallest window holds the menu bar and the smallest client area.
        window().resize(10, 10);
        QTRY_VERIFY(window().outerSizeTwips().height() > 5000 - 15); // within a pixel
        QVERIFY(window().clientArea->height() >= px(5000 - 405) - 1); // less the classic frame
    }

    void aScenarioRoundTripsThroughTheWindow()
    {
        const ScenarioTexts texts = oddScenario();
        const QString original = m_folder->filePath(QStringLiteral("odd site.ini"));
        writeScenarioFile(QFile::encodeName(original).toStdString(), texts);
        QVERIFY(window().openScenario(original));
        QCOMPARE(desktop().messageTexts(), QStringList());
        QVERIFY(window().fieldTexts() == texts);
        QCOMPARE(window().windowTitle(), QStringLiteral("odd site.ini - Drawfield 2.0"));
        QVERIFY(!window().hasUnsavedChanges());

        // Saved under another name, the file is the same byte for byte.
        const QString copy = m_folder->filePath(QStringLiteral("copy.ini"));
        desktop().saveAnswers.push_back(copy);
        QVERIFY(window().saveScenarioAs());
        QCOMPARE(fileBytes(copy), fileBytes(original));
        QCOMPARE(window().windowTitle(), QStringLiteral("copy.ini - Drawfield 2.0"));
        QCOMPARE(desktop().recent, QStringList({ copy, original }));

        // A change shows in the title until it is saved; Ctrl+S saves it to the open file.
        window().Text5->setText(QStringLiteral("0,004"));
        QCOMPARE(window().windowTitle(), QStringLiteral("copy.ini* - Drawfield 2.0"));
        window().saveScenarioAction->trigger();
        QCOMPARE(window().windowTitle(), QStringLiteral("copy.ini - Drawfield 2.0"));
        QCOMPARE(readScenarioFile(QFile::encodeName(copy).toStdString()).transmissivity, "0,004");
        window().Text5->setText(QStringLiteral("0.003 # not a comment"));
        QVERIFY(window().hasUnsavedChanges());
        window().Text5->setText(QStringLiteral("0,004"));
        QVERIFY(!window().hasUnsavedChanges()); // back to what the file holds

        // Keys a file leaves out take the texts a scenario starts from, as in the batch.
        const QString sparse = m_folder->filePath(QStringLiteral("sparse.ini"));
        writeBytes(sparse, "[aquifer]\ntransmissivity = 0.01\n[bore2]\nx = 5\ny = 5\nrate = 1\n");
        QVERIFY(window().openScenario(sparse));
        ScenarioTexts expected;
        expected.transmissivity = "0.01";
        expected.bores[1] = { "5", "5", "1" };
        QVERIFY(window().fieldTexts() == expected);
    }

    // One run: the window and the batch, given one file, say the same messages in the same order
    // and write the same record file, byte for byte.
    void aFileTheWindowSavesRunsAlikeInTheBatch()
    {
        ScenarioTexts texts = ScenarioTexts::example();
        texts.method = "theis";
        texts.xMax = "600";
        texts.thickness = "0.1";
        texts.bores[2] = { "50", "700", "1" };
        texts.bores[0].schedule = "12:0";
        texts.boundaries[0] = { "recharge", "90", "0", "90", "100" };
        window().setFieldTexts(texts);
        window().Check1->setChecked(true);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        const QStringList said = desktop().messageTexts();
        QCOMPARE(said,
            (QStringList { messages::LargeXSize, messages::PumpingOutsideOfMap,
                messages::DrawdownAboveThickness }));
        for (const ShownMessage& message : desktop().messages) {
            QCOMPARE(message.icon, MessageIcon::Critical); // the classic run's stops
            QCOMPARE(message.title, std::optional<QString>(QStringLiteral("Drawfield 2.0")));
        }
        const QString scenario = m_folder->filePath(QStringLiteral("site.ini"));
        desktop().saveAnswers.push_back(m_folder->filePath(QStringLiteral("site")));
        QVERIFY(window().saveScenario()); // no file yet: asks for a name, adds .ini
        QCOMPARE(window().scenarioPath(), scenario);

        const QString record = m_folder->filePath(QStringLiteral("batch.dat"));
        QProcess batch;
        batch.start(
            QStringLiteral(DRAWFIELD_BATCH), { scenario, QStringLiteral("--record"), record });
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(batch.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(batch.readAllStandardError())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            said);
        const QByteArray windowRecord = fileBytes(window().recordFilePath());
        QVERIFY(windowRecord.size() > 100000);
        QCOMPARE(fileBytes(record), windowRecord);
    }

    void aBadScenarioFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no such file
        QTest::addColumn<QString>("said");
        QTest::newRow("missing") << QByteArray() << "No such file";
        QTest::newRow("unknown key")
            << QByteArray("[map]\nx_max = 50\n\n[aquifer]\nporosity = 3\n") << "at line 5: ";
        QTest::newRow("unknown section")
            << QByteArray("[map]\nx_max = 50\n[wells]\n") << "at line 3: ";
        QTest::newRow("bad kind") << QByteArray("[boundary1]\nkind = wall\n") << "at line 2: ";
        QTest::newRow("unclosed quote") << QByteArray("[map]\nx_max = \"50\n") << "at line 2: ";
    }
    void aBadScenarioFileChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        const QString good = m_folder->filePath(QStringLiteral("good.ini"));
        writeScenarioFile(QFile::encodeName(good).toStdString(), ScenarioTexts::example());
        QVERIFY(window().openScenario(good));
        window().Text2->setText(QStringLiteral("77")); // an unsaved change
        const ScenarioTexts before = window().fieldTexts();
        const QString title = window().windowTitle();

        const QString bad = m_folder->filePath(QStringLiteral("bad.ini"));
        if (!content.isEmpty())
            writeBytes(bad, content);
        desktop().unsavedAnswers.push_back(UnsavedChoice::Discard);
        desktop().openAnswers.push_back(bad);
        window().openScenarioAction->trigger();
        QCOMPARE(desktop().unsavedQuestions, QStringList { QStringLiteral("good.ini") });
        QCOMPARE(desktop().messages.size(), std::size_t { 1 });
        const QString message = desktop().messages[0].text;
        QVERIFY2(message.startsWith(QStringLiteral("Cannot read the scenario file ") + bad),
            qPrintable(message));
        QVERIFY2(message.contains(said), qPrintable(message));
        QVERIFY(window().fieldTexts() == before);
        QCOMPARE(window().scenarioPath(), good);
        QCOMPARE(window().windowTitle(), title);
        QVERIFY(window().hasUnsavedChanges());
    }

    // Unsaved work is asked about before closing, once: changes to the file opened, or without
    // a file changes to the start-up texts, a cell still being typed in included; the untouched
    // window closes without a question.
    void unsavedChangesAreAskedAboutOnce_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("a file's field, cancel") << "file" << int(UnsavedChoice::Cancel) << false;
        QTest::newRow("a file's field, discard") << "file" << int(UnsavedChoice::Discard) << true;
        QTest::newRow("a file's field, save") << "file" << int(UnsavedChoice::Save) << true;
        QTest::newRow("no file, a schedule, cancel")
            << "schedule" << int(UnsavedChoice::Cancel) << false;
        QTest::newRow("no file, a cell being typed, save")
            << "cell" << int(UnsavedChoice::Save) << true;
    }
    void unsavedChangesAreAskedAboutOnce()
    {
        QFETCH(QString, change);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        {
            main1 untouched(desktop());
            untouched.show();
            QVERIFY(untouched.close());
            QVERIFY(desktop().unsavedQuestions.isEmpty());
        }
        const QString path = m_folder->filePath(QStringLiteral("site.ini"));
        if (change == QLatin1String("file")) {
            writeBytes(path, "[map]\nx_max = 50\n");
            QVERIFY(window().openScenario(path));
            window().Text2->setText(QStringLiteral("60"));
        } else if (change == QLatin1String("schedule")) {
            window().timeBoundaries->schedules[1]->setText(QStringLiteral("12:0"));
        } else {
            FlexGrid& grid = *window().Grid1;
            grid.setFocus();
            grid.setCurrentCell(3, 1);
            QTest::keyClicks(&grid, QStringLiteral("7"));
            QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5")); // and no Enter
        }
        QVERIFY2(
            window().windowTitle().contains(QLatin1Char('*')), qPrintable(window().windowTitle()));
        desktop().saveAnswers.push_back(path); // a save without a file asks where
        desktop().unsavedAnswers.push_back(UnsavedChoice(answer));
        window().close();
        QCOMPARE(desktop().unsavedQuestions,
            QStringList {
                change == QLatin1String("file") ? QStringLiteral("site.ini") : QString() });
        QCOMPARE(window().isVisible(), !closed);
        if (UnsavedChoice(answer) != UnsavedChoice::Save)
            return;
        const ScenarioTexts saved = readScenarioFile(QFile::encodeName(path).toStdString());
        const bool file = change == QLatin1String("file");
        QCOMPARE(QString::fromStdString(file ? saved.xMax : saved.bores[2].x),
            QString::fromLatin1(file ? "60" : "75"));
    }

    // A file whose name is not UTF-8 opens from the command line, a drop or the recent list.
    void aScenarioNamedInAnyBytesOpens()
    {
        const std::filesystem::path odd
            = QFile::encodeName(m_folder->path()).toStdString() + "/site-\xff.ini";
        std::ofstream(odd) << "[map]\nx_max = 40\n";
        QVERIFY(window().openScenarioFile(odd));
        QCOMPARE(window().Text2->text(), QStringLiteral("40"));
        QVERIFY(desktop().recent.first().startsWith(QStringLiteral("file://")));
        const QString other = m_folder->filePath(QStringLiteral("other.ini"));
        writeBytes(other, "[map]\nx_max = 30\n");
        QVERIFY(window().openScenario(other));
        window().recentMenu->actions()[1]->trigger();
        QCOMPARE(window().Text2->text(), QStringLiteral("40"));
    }

    void recentFilesAndDroppedFilesOpen()
    {
        QStringList paths;
        for (int i = 0; i < 7; ++i) {
            paths << m_folder->filePath(QStringLiteral("s%1.ini").arg(i));
            writeBytes(paths.last(), QStringLiteral("[map]\nx_max = %1\n").arg(10 + i).toUtf8());
            QVERIFY(window().openScenario(paths.last()));
        }
        QCOMPARE(
            desktop().recent, QStringList({ paths[6], paths[5], paths[4], paths[3], paths[2] }));
        const QList<QAction*> entries = window().recentMenu->actions();
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries[0]->text(), QStringLiteral("&1 ") + paths[6]);
        entries[4]->trigger();
        QCOMPARE(window().scenarioPath(), paths[2]);
        QCOMPARE(window().Text2->text(), QStringLiteral("12"));
        QCOMPARE(desktop().recent.first(), paths[2]);

        // A recent file that has gone is said and leaves the list.
        QFile::remove(paths[5]);
        window().recentMenu->actions()[2]->trigger();
        QCOMPARE(desktop().messages.size(), std::size_t { 1 });
        QVERIFY(desktop().messages[0].text.contains(paths[5]));
        QVERIFY(!desktop().recent.contains(paths[5]));
        QCOMPARE(window().scenarioPath(), paths[2]);

        // Dropping an .ini file opens it once the drop has ended; other files are not taken.
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(paths[0]) });
        QDragEnterEvent enter(
            QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window(), &drop);
        QTRY_COMPARE(window().scenarioPath(), paths[0]);
        QCOMPARE(window().Text2->text(), QStringLiteral("10"));
        QMimeData picture;
        picture.setUrls({ QUrl::fromLocalFile(m_folder->filePath(QStringLiteral("a.png"))) });
        QDragEnterEvent refused(
            QPoint(10, 10), Qt::CopyAction, &picture, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(&window(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    // An export is of the fields as they are: run first when they changed since the last run
    // (or there was none), so a georeference typed after a run is the GeoTIFF's; a shapefile
    // writes its set.
    void gisFilesFromTheExportMenu()
    {
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        window().options->easting->setText(QStringLiteral("500000"));
        window().options->northing->setText(QStringLiteral("5700000"));
        window().options->crs->setText(QStringLiteral("EPSG:25832"));
        const QString tif = m_folder->filePath(QStringLiteral("out/drawdown.tif"));
        desktop().saveAnswers.push_back(tif);
        window().exportGeoTiffAction->trigger();
        QProcess info;
        info.start(QStringLiteral("gdalinfo"), { tif });
        QVERIFY(info.waitForFinished(30000));
        const QString described = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(described.contains(QStringLiteral("UTM zone 32N")), qPrintable(described));

        const QString shp = m_folder->filePath(QStringLiteral("out/c.shp"));
        desktop().saveAnswers.push_back(shp);
        window().exportContoursAction->trigger();
        for (const char* name :
            { "c.shp", "c.dbf", "c_bands.shp", "c_points.shp", "c_boundaries.shp" })
            QVERIFY2(QFile::exists(m_folder->filePath(QStringLiteral("out/") + name)), name);
        desktop().saveAnswers.push_back(m_folder->filePath(QStringLiteral("out/c.kml")));
        window().exportContoursAction->trigger();
        QVERIFY(desktop().messages.back().text.startsWith(
            QStringLiteral("Cannot write the contour file ")));
    }

    void closingStopsAGisExportAndKeepsThePreviousFile()
    {
        desktop().unsavedAnswers.push_back(UnsavedChoice::Discard);
        window().Text2->setText(QStringLiteral("3000"));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        desktop().messages.clear();
        const QString tif = m_folder->filePath(QStringLiteral("map.tif"));
        writeBytes(tif, "before");
        desktop().saveAnswers.push_back(tif);
        // Closed as soon as the export's panel shows: the export stops, then the window closes.
        QTimer::singleShot(0, &window(), [this] {
            QVERIFY(window().exportPanel->isVisible());
            window().close();
        });
        window().exportGeoTiffAction->trigger();
        QVERIFY(!window().isVisible());
        QCOMPARE(fileBytes(tif), QByteArray("before"));
        QVERIFY(desktop().messages.empty());
        QCOMPARE(QDir(m_folder->path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                     .filter(QStringLiteral(".drawfield-staging")),
            QStringList());
    }

    // The report is of the fields as they are, under the name of the file they came from.
    void aReportOfTheLastRun()
    {
        const QString scenario = m_folder->filePath(QStringLiteral("well field.ini"));
        writeBytes(scenario,
            "[bore1]\nx = 30\ny = 30\nrate = 6\n[observation1]\nname = Farm\nx = 50\ny = 50\n");
        QVERIFY(window().openScenario(scenario));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        window().Text2->setText(QStringLiteral("80")); // after the run: the report has it

        desktop().saveAnswers.push_back(m_folder->filePath(QStringLiteral("report")));
        window().exportReportAction->trigger();
        QCOMPARE(desktop().dialogs.back().initialPath, desktop().dataFolder() + "/well field.pdf");
        const QString pdf = m_folder->filePath(QStringLiteral("report.pdf"));
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), { pdf, QStringLiteral("-") });
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* expected : { "Scenario: well field.ini (with changes not saved)",
                 "X and Y from 1 to 80 m", "Farm", "Drawdown at the observation points" })
            QVERIFY2(page.contains(QLatin1String(expected)), expected);
    }

    // The pumping test in the window: the shipped test's readings fitted as a background task,
    // the estimates shown, their values into the fields; saved elsewhere, the scenario still
    // names the same readings.
    void aPumpingTestIsFittedAndItsValuesUsed()
    {
        const QString scenario = copiedPumpingTest(
            QStringLiteral("test"), { "oude-korendijk.ini", "obs_r30m.csv", "obs_r90m.csv" });
        QVERIFY(!scenario.isEmpty());
        QVERIFY(window().openScenario(scenario));
        PumpingTestTab& tab = *window().pumpingTest;
        QCOMPARE(tab.files->item(WellCount, 0)->text(), QStringLiteral("obs_r30m.csv"));
        // The rows are named by the points' names; the tab fits the window's start size whole.
        QCOMPARE(tab.files->verticalHeaderItem(WellCount)->text(), QStringLiteral("r = 30 m"));
        QCOMPARE(tab.files->verticalHeaderItem(WellCount + 2)->text(), QStringLiteral("Point 3"));
        // (A scroll area gives a widget whose height follows its width its preferred height.)
        const QSize shown = window().pumpingTestArea->size();
        const QSize needed(tab.minimumSizeHint().width(),
            tab.hasHeightForWidth() ? tab.heightForWidth(shown.width())
                                    : tab.minimumSizeHint().height());
        QVERIFY2(needed.width() <= shown.width() && needed.height() <= shown.height(),
            qPrintable(QStringLiteral("%1 x %2 in %3 x %4")
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(shown.width())
                           .arg(shown.height())));
        QVERIFY(!tab.fitChoice("B")->isEnabled()); // Theis: no B to fit
        QVERIFY(!tab.useValues->isEnabled());
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts(), QStringList());
        // T in m²/s and m²/d, S in the storage field's unit (%), each named.
        QCOMPARE(tab.results->rowCount(), 3);
        QCOMPARE(tab.results->item(0, 0)->text(), QStringLiteral("0.0053544"));
        QCOMPARE(tab.results->verticalHeaderItem(1)->text(), QStringLiteral("T (m²/d)"));
        QCOMPARE(tab.results->item(1, 0)->text(), QStringLiteral("462.62"));
        QCOMPARE(tab.results->verticalHeaderItem(2)->text(), QStringLiteral("S (%)"));
        QCOMPARE(tab.results->item(2, 0)->text(), QStringLiteral("0.017788"));
        // The RMSE, then the straight lines beside the fit, one per piezometer.
        QCOMPARE(tab.status->text().section(QLatin1Char('\n'), 0, 0),
            QStringLiteral("RMSE 0.05006 m over 69 readings."));
        QCOMPARE(tab.status->text().section(QLatin1Char('\n'), 1, 1),
            QStringLiteral("cooper-jacob, r = 30 m: T 0.006721 m²/s, S 3.20e-05"));
        QCOMPARE(tab.chart->data().points.size(), std::size_t { 2 });
        QTest::mouseClick(tab.useValues, Qt::LeftButton);
        // The fields read back to the fitted values to the bit, so a run of them is the fit's.
        QVERIFY(window().Text5->text().startsWith(QStringLiteral("0.0053543")));
        const ScenarioInputs fitted = readScenario(window().fieldTexts()).inputs;
        QCOMPARE(fitted.Transmissivity, window().lastFit()->estimates[0].value);
        QCOMPARE(fitted.Storage, window().lastFit()->estimates[1].value);

        // In field units the estimates are shown in them, and used in them.
        window().options->unitPreset->setCurrentIndex(1); // metric field: m2/d, a fraction
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QCOMPARE(tab.results->verticalHeaderItem(1)->text(), QStringLiteral("T (m²/d)"));
        QCOMPARE(tab.results->item(1, 0)->text(), QStringLiteral("462.62"));
        QCOMPARE(tab.results->verticalHeaderItem(2)->text(), QStringLiteral("S (fraction)"));
        QCOMPARE(tab.results->item(2, 0)->text(), QStringLiteral("1.7788e-04"));
        QTest::mouseClick(tab.useValues, Qt::LeftButton);
        QVERIFY(window().Text5->text().startsWith(QStringLiteral("462.6")));
        const ScenarioInputs inField = readScenario(window().fieldTexts()).inputs;
        QVERIFY(std::fabs(inField.Transmissivity - window().lastFit()->estimates[0].value)
            <= 2.3e-16 * inField.Transmissivity);
        window().options->unitPreset->setCurrentIndex(0);

        // No save or export replaces a file the scenario reads: its readings, the scenario.
        const QString readings = m_folder->filePath(QStringLiteral("test/obs_r30m.csv"));
        const QByteArray before = fileBytes(readings), scenarioBefore = fileBytes(scenario);
        desktop().saveAnswers.push_back(readings);
        QVERIFY(!window().saveScenarioAs());
        desktop().saveAnswers.push_back(scenario);
        window().exportReportAction->trigger();
        QCOMPARE(desktop().messageTexts().size(), 2);
        for (const QString& said : desktop().messageTexts())
            QVERIFY2(
                said.contains(QStringLiteral("is a file this scenario reads")), qPrintable(said));
        QCOMPARE(fileBytes(readings), before);
        QCOMPARE(fileBytes(scenario), scenarioBefore);
        desktop().messages.clear();

        // Saved into another folder, the names lead to the same files from there.
        const QString moved = m_folder->filePath(QStringLiteral("elsewhere/site.ini"));
        QDir().mkpath(m_folder->filePath(QStringLiteral("elsewhere")));
        desktop().saveAnswers.push_back(moved);
        QVERIFY(window().saveScenarioAs());
        QCOMPARE(tab.files->item(WellCount, 0)->text(), QStringLiteral("../test/obs_r30m.csv"));
        QVERIFY(fileBytes(moved).contains("measured = ../test/obs_r30m.csv"));
        // The file's comments (the published test's description) are saved with it.
        QVERIFY(fileBytes(moved).startsWith("# A published pumping test: Oude Korendijk"));
        QVERIFY(fileBytes(moved).contains("x_max = 300        # m: the piezometers"));
        tab.files->item(WellCount + 1, 0)->setText(QStringLiteral("missing.csv"));
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QVERIFY(desktop().messageTexts().value(0).startsWith(
            QStringLiteral("Cannot read the measured drawdowns ")));
    }

    // "Use in another scenario…": the fitted aquifer goes to a study opened for it, in the
    // study's own units, with the fit's record; the study keeps its bores and is left unsaved.
    void aFitIsUsedInAnotherScenario()
    {
        QVERIFY(!copiedPumpingTest(
            QStringLiteral("elsewhere"), { "oude-korendijk.ini", "obs_r30m.csv", "obs_r90m.csv" })
                     .isEmpty());
        const QString study = m_folder->filePath(QStringLiteral("elsewhere/study.ini"));
        writeBytes(study,
            "[units]\ntransmissivity = m2/d\n[aquifer]\ntransmissivity = 100\n[bore1]\n"
            "name = Supply\nx = 50\ny = 50\nrate = 20\n");
        QVERIFY(window().openScenario(
            m_folder->filePath(QStringLiteral("elsewhere/oude-korendijk.ini"))));
        PumpingTestTab& tab = *window().pumpingTest;
        QVERIFY(!tab.useElsewhere->isEnabled());
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QVERIFY(tab.useElsewhere->isEnabled());
        desktop().openAnswers.push_back(study);
        QTest::mouseClick(tab.useElsewhere, Qt::LeftButton);
        QCOMPARE(window().scenarioPath(), study);
        const ScenarioTexts texts = window().fieldTexts();
        QCOMPARE(texts.bores[0].name, std::string("Supply"));
        QCOMPARE(texts.method, std::string("theis"));
        QVERIFY2(texts.transmissivity.starts_with("462.6"), texts.transmissivity.c_str()); // m2/d
        QVERIFY(texts.fit.source.starts_with("oude-korendijk.ini (obs_r30m.csv"));
        const ScenarioInputs inputs = readScenario(texts).inputs;
        QCOMPARE(currentIntervals(inputs).size(), std::size_t { 2 });
        QVERIFY(window().hasUnsavedChanges());
        QVERIFY(!tab.useElsewhere->isEnabled()); // the fit stays with its own scenario
    }

    // A bore's own skin and well loss: shown as fit choices with Papadopulos-Cooper's function,
    // fitted from the step test's readings with the tab at its start size, and used as the
    // bore's own values.
    void aBoresSkinAndWellLossAreFittedAndUsed()
    {
        QVERIFY(!copiedPumpingTest(QStringLiteral("steps"), { "step-test.ini", "step_pw.csv" })
                     .isEmpty());
        QVERIFY(window().openScenario(m_folder->filePath(QStringLiteral("steps/step-test.ini"))));
        PumpingTestTab& tab = *window().pumpingTest;
        QVERIFY(tab.fitChoice("skin")->isEnabled() && tab.fitChoice("C")->isEnabled());
        QVERIFY(!tab.fitChoice("Sy")->isEnabled());
        const QSize shown = window().pumpingTestArea->size();
        QVERIFY(tab.minimumSizeHint().width() <= shown.width());
        tab.fitStorage->setChecked(false);
        tab.fitChoice("C")->setChecked(true);
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts(), QStringList());
        QCOMPARE(tab.results->rowCount(), 3);
        QCOMPARE(tab.results->verticalHeaderItem(2)->text(), QStringLiteral("C (h²/m⁵)"));
        QCOMPARE(tab.results->item(2, 0)->text(), QStringLiteral("4.0000e-04"));
        // The chart turns to the type curve and stays so through the next fit.
        tab.typeCurve->setChecked(true);
        QVERIFY(tab.chart->data().typeCurve);
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QVERIFY(tab.chart->data().typeCurve && !tab.chart->data().points.empty());
        QTest::mouseClick(tab.useValues, Qt::LeftButton);
        const ScenarioInputs used = readScenario(window().fieldTexts()).inputs;
        QCOMPARE(used.Wells[0].Values[2], window().lastFit()->estimates[1].value);
    }

    // Results belong to the fields they were computed from: after Open no view shows, saves,
    // reads out or lends the last run or fit, and no marker of it can be dropped into the new
    // fields; "Use these values" is on only while the fields' readings and method are the fitted.
    void openingAScenarioLeavesNoResultOfTheLastOne()
    {
        const QString shipped = QStringLiteral(DRAWFIELD_SOURCE_DIR "/resources");
        QVERIFY(!copiedPumpingTest(
            QStringLiteral("test"), { "oude-korendijk.ini", "obs_r30m.csv", "obs_r90m.csv" })
                     .isEmpty());
        const QString test = m_folder->filePath(QStringLiteral("test/oude-korendijk.ini"));
        const QString example = m_folder->filePath(QStringLiteral("example.ini"));
        QVERIFY(QFile::copy(shipped + QStringLiteral("/example.ini"), example));
        PumpingTestTab& tab = *window().pumpingTest;

        QVERIFY(window().openScenario(test));
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QVERIFY(window().DrawdownGrid() != nullptr);
        QTest::mouseClick(tab.fit, Qt::LeftButton);
        QVERIFY(tab.useValues->isEnabled());
        // Other readings, or another well function: the fit is not theirs.
        tab.files->item(WellCount + 1, 0)->setText(QStringLiteral("obs_r30m.csv"));
        QVERIFY(!tab.useValues->isEnabled());
        tab.files->item(WellCount + 1, 0)->setText(QStringLiteral("obs_r90m.csv"));
        QVERIFY(tab.useValues->isEnabled());
        window().Text5->setText(QStringLiteral("0.004")); // another T: still the fitted readings
        QVERIFY(tab.useValues->isEnabled());
        window().Text5->setText(QStringLiteral("0.5"));

        auto nothingOfTheLastRun = [&] {
            QVERIFY(window().DrawdownGrid() == nullptr);
            for (Chart3D* chart : { window().Chart3D1, window().Chart3D2 }) {
                QVERIFY(chart->chartGroup(1)->dataGrid().grid() == nullptr);
                QVERIFY(chart->overlays().wells.empty());
                QVERIFY(chart->readout().isEmpty());
            }
            QVERIFY(window().curvesChart->data().curves.names.empty());
            QVERIFY(window().curvesChart->data().profile.empty());
            QVERIFY(!window().lastFit().has_value());
            QVERIFY(!tab.useValues->isEnabled());
            QCOMPARE(tab.results->rowCount(), 0);
        };
        QVERIFY(window().openScenario(example));
        nothingOfTheLastRun();
        // Save WMF draws what a window that never ran draws, nothing of the last run.
        const QString saved = m_folder->filePath(QStringLiteral("after-open.wmf"));
        desktop().saveAnswers.push_back(saved);
        window().Command2_Click();
        Chart3D fresh(Chart3D::Presentation::ContourMap);
        fresh.resize(window().Chart3D1->size());
        const QString design = m_folder->filePath(QStringLiteral("design.wmf"));
        QCOMPARE(fresh.writePictureFile(QFile::encodeName(design).toStdString()), QString());
        QCOMPARE(fileBytes(saved), fileBytes(design));

        // The example's two bores run, then the test opened (one bore): neither marker, of a
        // bore both have or of one only the example has, goes into the opened fields.
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(window().Chart3D1->overlays().wells.size(), std::size_t { 2 });
        QVERIFY(window().openScenario(test));
        nothingOfTheLastRun();
        for (int marker : { 0, 1 })
            QVERIFY(!window().dropMarker(marker, 50, 50));
        QCOMPARE(window().Grid1->TextMatrix(1, 1), QStringLiteral("100"));
        QCOMPARE(window().Grid1->TextMatrix(2, 1), QString());
        QVERIFY(!window().hasUnsavedChanges());
        desktop().messages.clear();
    }

    // The window starts on the screen, its frame inside the available area: centred where it
    // fits, shrunk to it where it does not (a 1280 x 800 screen at scale factor 2 is 640 x 400).
    void theWindowStartsOnTheScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::newRow("1280 x 800") << QRect(0, 0, 1280, 800);
        QTest::newRow("1280 x 800 at scale 2") << QRect(0, 0, 640, 400);
        QTest::newRow("a panel on the left, scale 2") << QRect(60, 0, 580, 400);
    }
    void theWindowStartsOnTheScreen()
    {
        QFETCH(QRect, available);
        const QMargins frame(8, 32, 8, 8);
        const QRect client = startGeometry(window().size(), QSize(), available, frame);
        QVERIFY2(available.contains(client.marginsAdded(frame)),
            qPrintable(QStringLiteral("%1,%2 %3x%4")
                           .arg(client.x())
                           .arg(client.y())
                           .arg(client.width())
                           .arg(client.height())));
        if (available.width() >= 1000) {
            QCOMPARE(client.size(), window().size());
            QCOMPARE(client.center(), available.center());
        }
    }

    // Tab leaves every table of every tab: from a table's first cell, Tab presses (as many as the
    // table has cells, and one more) reach a control outside it, on every tab.
    void tabLeavesEveryTable()
    {
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QTest::mouseClick(window().pumpingTest->fit, Qt::LeftButton); // no readings: refused
        desktop().messages.clear();
        window().pumpingTest->showFit(nullptr, {}); // an empty results table still takes focus
        window().pumpingTest->results->setRowCount(2);
        const QList<QTableWidget*> tables = window().findChildren<QTableWidget*>();
        QVERIFY(tables.size() >= 4);
        for (QTableWidget* table : tables) {
            for (int tab = 0; tab < window().SSTab1->count(); ++tab)
                if (window().SSTab1->page(tab)->isAncestorOf(table)) {
                    window().SSTab1->setCurrentIndex(tab);
                    break;
                }
            QVERIFY2(table->isVisible(), qPrintable(table->objectName()));
            table->setFocus();
            table->setCurrentCell(0, 0);
            QTRY_VERIFY(table->hasFocus() || table->isAncestorOf(QApplication::focusWidget()));
            bool left = false;
            for (int press = 0; press <= table->rowCount() * table->columnCount() + 1 && !left;
                 ++press) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QWidget* now = QApplication::focusWidget();
                left = now != table && !table->isAncestorOf(now);
            }
            QVERIFY2(left, qPrintable(table->objectName()));
        }
    }

    // The live map. A mouse event with its buttons, as a hand makes it.
    void mouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    static bool sameBits(const DrawdownGrid& a, const DrawdownGrid& b)
    {
        return a.width() == b.width() && a.height() == b.height()
            && a.nodeSpacing() == b.nodeSpacing()
            && std::memcmp(a.values().data(), b.values().data(), a.values().size_bytes()) == 0;
    }

    // A bore dragged: the map follows while the hand moves, the drop writes whole metres into
    // the table, marks the scenario changed and runs it; Escape puts it back; off the map the
    // drag stops at the edge; undo and redo walk the moves.
    void aBoreDraggedMovesTheMapAndTheTable()
    {
        window().timeSliderAction->setChecked(true);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        Chart3D& map = *window().Chart3D1;
        QCOMPARE(window().SSTab1->currentIndex(), 1);
        const auto before = window().DrawdownGrid();
        const auto runZone = map.overlays().validity;
        QVERIFY(runZone != nullptr);
        const QPointF bore2 = *map.markerPosition(1);
        const QPointF bore1 = *map.markerPosition(0);
        const QPointF perMetre = (bore2 - bore1) / 30.0; // the bores are 30 m apart each way
        QCOMPARE(map.markerAt(bore2), std::optional<int>(1));

        struct Case {
            const char* name;
            QPointF by; // m
            bool escape;
            QString x, y; // the table afterwards
            const char* note; // the read-out while held
        };
        const Case cases[] = {
            { "escape", { 10, -20 }, true, "60", "60", "Bore 2 to X 70 m   Y 40 m" },
            { "within the map", { 10, -20 }, false, "70", "40", "Bore 2 to X 70 m   Y 40 m" },
            { "off the map", { 80, 10 }, false, "100", "50", "Bore 2 stays on the map" },
        };
        for (const Case& c : cases) {
            QTRY_COMPARE(
                map.overlays().wells.at(1).xMetres, window().Grid1->TextMatrix(2, 1).toDouble());
            const QPointF from = *map.markerPosition(1);
            const QPointF to = from + QPointF(c.by.x() * perMetre.x(), c.by.y() * perMetre.y());
            mouse(&map, QEvent::MouseButtonPress, from, Qt::LeftButton);
            QVERIFY(map.isDraggingMarker());
            mouse(&map, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
            mouse(&map, QEvent::MouseMove, to, Qt::LeftButton);
            QCOMPARE(map.readout(), QString::fromLatin1(c.note)); // the note stands in for it
            QVERIFY2(map.chartGroup(1)->dataGrid().grid() != window().DrawdownGrid(), c.name);
            // The edge where Cooper-Jacob holds follows the bore too.
            QVERIFY(map.overlays().validity != nullptr);
            QVERIFY(map.overlays().validity != runZone);
            if (c.escape) {
                QTest::keyClick(&map, Qt::Key_Escape);
                QVERIFY(!map.isDraggingMarker());
                // The read-out under the still mouse is the map's shown now, not the draft's.
                QCOMPARE(map.readout(), map.readoutAt(to));
                QVERIFY(map.readout().startsWith(QStringLiteral("X 70 m   Y 40 m   drawdown")));
                QCOMPARE(map.chartGroup(1)->dataGrid().grid(), window().DrawdownGrid());
                QVERIFY(!window().hasUnsavedChanges());
            } else {
                mouse(&map, QEvent::MouseButtonRelease, to, Qt::NoButton);
                QTRY_COMPARE(window().Grid1->TextMatrix(2, 1), c.x);
            }
            QCOMPARE(window().Grid1->TextMatrix(2, 1), c.x);
            QCOMPARE(window().Grid1->TextMatrix(2, 2), c.y);
        }
        // The run followed the drop: its map is the moved bore's.
        QVERIFY(window().hasUnsavedChanges());
        QVERIFY(window().windowTitle().contains(QLatin1Char('*')));
        ScenarioReading reading = readScenario(window().fieldTexts());
        QTRY_VERIFY(sameBits(*computeDrawdown(reading.inputs)->grid, *window().DrawdownGrid()));
        QVERIFY(!sameBits(*before, *window().DrawdownGrid()));

        // Undo takes the moves back one by one, redo brings them again; the menu says what.
        QCOMPARE(window().undoMoveAction->text(), QStringLiteral("&Undo Move Bore 2"));
        window().undoMoveAction->trigger();
        QTRY_COMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("70"));
        QCOMPARE(window().Grid1->TextMatrix(2, 2), QStringLiteral("40"));
        window().undoMoveAction->trigger();
        QTRY_COMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("60"));
        QVERIFY(!window().undoMoveAction->isEnabled());
        QTRY_VERIFY(sameBits(*before, *window().DrawdownGrid()));
        QVERIFY(!window().hasUnsavedChanges());
        window().redoMoveAction->trigger();
        QTRY_COMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("70"));
    }

    // Beyond a boundary a bore cannot go: the drop is refused, the read-out says why.
    void aBoreStaysInTheAquifer()
    {
        ScenarioTexts texts = ScenarioTexts::example();
        texts.boundaries[0] = { "barrier", "80", "0", "80", "100" };
        window().setFieldTexts(texts);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QCOMPARE(desktop().messageTexts(), QStringList());
        QVERIFY(!window().dropMarker(1, 90, 60));
        QCOMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("60"));
        QVERIFY(window().dropMarker(1, 75, 60));
        QTRY_COMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("75"));
        Chart3D& map = *window().Chart3D1;
        QTRY_COMPARE(map.overlays().wells.at(1).xMetres, 75.0); // the run followed
        const QPointF from = *map.markerPosition(1);
        mouse(&map, QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(&map, QEvent::MouseMove, from + QPointF(200, 0), Qt::LeftButton);
        QCOMPARE(
            map.readout(), QStringLiteral("Bore 2 stays in the aquifer: a boundary runs there"));
        mouse(&map, QEvent::MouseButtonRelease, from + QPointF(200, 0), Qt::NoButton);
        QTest::qWait(50);
        QCOMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("75"));
    }

    // In feet, a dropped marker's place is written in metres with its word: never a number of
    // metres that the fields would read as feet.
    void aDroppedMarkerKeepsItsMetresInFeet()
    {
        window().setFieldTexts(
            convertedTexts(ScenarioTexts::example(), unitPresets()[2].units)); // US
        desktop().messages.clear();
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        // The example's 4 % as a fraction, 0.04, is a specific yield's value: said, and run.
        QCOMPARE(desktop().messageTexts(),
            QStringList { QStringLiteral(
                "Storage coefficient 0.04 fraction looks like the specific yield of an unconfined "
                "aquifer (above 0.01), but Cooper-Jacob is for a confined one.") });
        QVERIFY(window().dropMarker(1, 75, 60));
        QTRY_COMPARE(window().Grid1->TextMatrix(2, 1), QStringLiteral("75 m"));
        const ScenarioReading reading = readScenario(window().fieldTexts());
        QVERIFY(reading.accepted());
        QCOMPARE(reading.inputs.Wells[1].X, std::int16_t(75));
        QCOMPARE(reading.inputs.Wells[1].Y, std::int16_t(60));
        window().setFieldTexts(ScenarioTexts::example());
    }

    // The time bar shows the map at another time: once it rests, the map is the run at that
    // pumping time to the bit; the pumping time field stays, the curves mark the time.
    void theTimeBarShowsTheMapAtAnyTime()
    {
        window().timeSliderAction->setChecked(true);
        TimeBar& bar = *window().timeBar;
        QVERIFY(bar.isVisible() == false || window().SSTab1->currentIndex() == 1);
        QTest::mouseClick(window().Command1, Qt::LeftButton);
        QVERIFY(bar.isVisible());
        QCOMPARE(bar.seconds(), 24 * 3600.0);
        QCOMPARE(bar.secondsAt(0), 60.0);
        for (int position : { 0, 333, 990 }) {
            bar.setPosition(position);
            QTRY_VERIFY(window().shownGrid() && window().shownGrid()->nodeSpacing() == 1);
            ScenarioInputs at = readScenario(window().fieldTexts()).inputs;
            at.PumpTimeSeconds = bar.seconds();
            QVERIFY2(sameBits(*computeDrawdown(at)->grid, *window().shownGrid()),
                qPrintable(QString::number(position)));
            QCOMPARE(window().curvesChart->data().shownSeconds, std::optional(bar.seconds()));
        }
        QCOMPARE(window().Text7->text(), QStringLiteral("24"));
        QVERIFY(!window().hasUnsavedChanges());
        bar.setPosition(TimeBar::Steps);
        QCOMPARE(window().shownGrid(), window().DrawdownGrid());
        QCOMPARE(window().Chart3D1->chartGroup(1)->dataGrid().grid(), window().DrawdownGrid());

        // Play runs to the pumping time; any key stops it where it is.
        bar.play();
        QVERIFY(bar.isPlaying());
        QTest::qWait(300);
        QTest::keyClick(window().Text5, Qt::Key_Home);
        QVERIFY(!bar.isPlaying());
        QVERIFY(!bar.atPumpingTime());
        bar.play();
        QTRY_VERIFY_WITH_TIMEOUT(!bar.isPlaying(), 8000);
        QVERIFY(bar.atPumpingTime());
    }

    void theLinkOpensOnAnyButton()
    {
        QLineEdit& link = *window().Text10;
        for (Qt::MouseButton button : { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton })
            QTest::mousePress(&link, button);
        QCOMPARE(desktop().webAddresses.size(), 3);
        QCOMPARE(desktop().webAddresses[0],
            QStringLiteral("http://www.karsto-software.example/Software/default2.html"));
        QVERIFY(desktop().messages.empty());

        link.setText(QStringLiteral("something else"));
        desktop().browserWorks = false;
        QTest::mousePress(&link, Qt::LeftButton);
        QCOMPARE(desktop().webAddresses.last(),
            QStringLiteral("http://www.karsto-software.example/Software/default2.html"));
        QCOMPARE(desktop().messages.size(), std::size_t { 1 });
        QCOMPARE(desktop().messages[0].text, QStringLiteral("Unable to launch Explorer"));
        QCOMPARE(desktop().messages[0].icon, MessageIcon::None);
        QVERIFY(!desktop().messages[0].title.has_value());
    }
};

QTEST_MAIN(Main1Test)
#include "tst_main1.moc"
