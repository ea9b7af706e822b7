// A well function declared here alone, with a parameter of the aquifer and one of each bore: the
// scenario file takes its keys, reads and writes them, refuses a value out of range, the fit finds
// its parameter, the report shows it, and the window gives each a field, without a line of the
// program naming it.

#include "analysis/fit.h"
#include "compute/observations.h"
#include "compute/wells/theis.h"
#include "media/report.h"
#include "scenario/scenario_file.h"
#include "window/boundaries_tab.h"
#include "window/options_tab.h"
#include "window/pumping_test_tab.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace drawfield;

namespace {

// Theis's drawdown times a gain (the aquifer's), and in a bore's own skin a bore's extra loss.
constexpr WellParameter ToyParameters[] = {
    { "toy_gain", "G", "Gain", "-", "", Quantity::Ratio, ParameterScope::Aquifer, 0.1, 10.0, 1.0,
        std::nullopt, FitScale::Log, "What the drawdown is multiplied by." },
    { "toy_skin", "K", "Skin", "m", "m", Quantity::Length, ParameterScope::Bore, 0.0, 5.0, 1.0, 0.0,
        FitScale::NotFitted, "Added within a metre of the bore." },
};

double gainOf(const Aquifer& aquifer) { return aquifer.values.at(0); }
double skinOf(const SourceTerm& term) { return term.bore.empty() ? 0.0 : term.bore[1]; }

WellFunction toyRow()
{
    return { WellMethod::CooperJacob, "toy", "Toy (a test's)",
        "Theis's drawdown times a gain; a skin near each bore.", ToyParameters,
        [](const SourceTerm& term, double n, double elapsed, const Aquifer& aquifer) {
            const double theis
                = TheisWell(term.rate, aquifer.transmissivity, aquifer.storage, elapsed)
                      .contribution(n);
            return gainOf(aquifer) * theis
                + (n < 1.0 ? skinOf(term) * (term.rate > 0 ? 1 : -1) : 0.0);
        },
        [](const SourceTerm& term, double elapsed, const Aquifer& aquifer) {
            return gainOf(aquifer)
                * TheisWell(term.rate, aquifer.transmissivity, aquifer.storage, 1.0).A
                * std::log(elapsed);
        },
        [](const SourceTerm&, double, const Aquifer&, double) { return 1e12; } };
}

} // namespace

class WellFunctionRowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m_method = addWellFunction(toyRow()); }

    // Read, written back, and read again: the keys in their sections, the values where the
    // function's term finds them.
    void itsKeysAreReadAndWritten()
    {
        const ScenarioTexts texts = parseScenarioFile("[aquifer]\nmethod = toy\ntoy_gain = 2\n"
                                                      "[bore1]\nx = 50\ny = 50\nrate = 10\n"
                                                      "toy_skin = 0.5\n",
            "toy.ini");
        QCOMPARE(texts.aquiferParameters.at("toy_gain"), std::string("2"));
        QCOMPARE(texts.bores[0].parameters.at("toy_skin"), std::string("0.5"));
        const ScenarioReading reading = readScenario(texts);
        QVERIFY2(reading.accepted(), reading.refusals.empty() ? "" : reading.refusals[0].c_str());
        QCOMPARE(reading.inputs.Method, m_method);
        QCOMPARE(reading.inputs.AquiferValues.at(0), 2.0);
        QCOMPARE(reading.inputs.Wells[0].Values.at(1), 0.5);
        const std::string file = scenarioFileText(texts);
        QVERIFY(file.find("[aquifer]\n") < file.find("toy_gain = 2\n"));
        QVERIFY(file.find("[bore1]\n") < file.find("toy_skin = 0.5\n"));
        QVERIFY(parseScenarioFile(file, "again.ini") == texts);
        // The bore's skin reaches its term: the drawdown in the bore grows by it.
        ScenarioTexts noSkin = texts;
        noSkin.bores[0].parameters.clear();
        QCOMPARE(drawdownAt(reading.inputs, 50.2, 50, 3600.0)
                - drawdownAt(readScenario(noSkin).inputs, 50.2, 50, 3600.0),
            0.5);
    }

    // Out of its range, or missing without a fallback: refused, naming it by its label and unit.
    void outOfRangeIsRefused_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("gain too large")
            << "[aquifer]\nmethod = toy\ntoy_gain = 20\n[bore1]\nx = 5\ny = 5\nrate = 1\n"
            << "Gain must lie from 0.1 to 10 -; \"20\" does not.";
        QTest::newRow("gain missing")
            << "[aquifer]\nmethod = toy\n[bore1]\nx = 5\ny = 5\nrate = 1\n"
            << "Gain must be given for Toy (a test's)";
        QTest::newRow("skin negative")
            << "[aquifer]\nmethod = toy\ntoy_gain = 1\n[bore1]\nx = 5\ny = 5\nrate = 1\n"
               "toy_skin = -1\n"
            << "Bore 1, Skin must lie from 0 to 5 m; \"-1\" does not.";
    }
    void outOfRangeIsRefused()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, refusal);
        const ScenarioReading reading
            = readScenario(parseScenarioFile(scenario.toStdString(), "toy.ini"));
        QCOMPARE(reading.refusals.size(), std::size_t { 1 });
        QVERIFY2(QString::fromStdString(reading.refusals[0]).startsWith(refusal),
            reading.refusals[0].c_str());
    }

    // The fit finds the gain from readings made with it, names it by its symbol, and the report
    // shows it with its label and unit.
    void itIsFittedAndReported()
    {
        ScenarioTexts texts = parseScenarioFile("[map]\nx_max = 200\n[aquifer]\nmethod = toy\n"
                                                "toy_gain = 2.5\n[bore1]\nx = 50\ny = 50\n"
                                                "rate = 10\n[observation1]\nname = P\nx = 80\n"
                                                "y = 50\n",
            "toy.ini");
        const ScenarioInputs truth = readScenario(texts).inputs;
        MeasuredPoint point { "P", 80, 50, -1, {}, {} };
        for (int i = 0; i < 30; ++i) {
            const double t = 60.0 * std::pow(10.0, i / 10.0);
            point.Readings.push_back({ t, drawdownAt(truth, 80, 50, t) });
        }
        texts.aquiferParameters["toy_gain"] = "1";
        const ScenarioInputs start = readScenario(texts).inputs;
        std::string problem;
        const auto parameters = fitParametersOfText("G", problem);
        QVERIFY2(parameters.has_value(), problem.c_str());
        const FitResult fit = fitPumpingTest(start, { point }, *parameters);
        QVERIFY2(fit.succeeded, fit.problem.c_str());
        QVERIFY(std::fabs(fit.estimates[0].value / 2.5 - 1.0) < 1e-6);
        QVERIFY(fitSummary(fit).find("  G = 2.5") != std::string::npos);
        showFitted(fit, texts);
        QCOMPARE(readScenario(texts).inputs.AquiferValues.at(0), fit.estimates[0].value);

        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("toy.pdf"));
        ReportContent content;
        content.inputs = fit.fitted;
        QCOMPARE(writeReport(QFile::encodeName(pdf).toStdString(), content), QString());
        QProcess text;
        text.start(
            QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(page.contains(QStringLiteral("Gain G")) && page.contains(QStringLiteral("2.5 -")),
            qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("Toy (a test's)")));
    }

    // The window's fields: the aquifer's on the Options tab (on while the function is chosen), the
    // bore's as a column of Time and Boundaries, the fitted one a check box of the Pumping test.
    void theWindowGivesEachAField()
    {
        OptionsTab options;
        QLineEdit* gain = options.parameterField("toy_gain");
        QVERIFY(gain != nullptr);
        QVERIFY(!gain->isEnabled());
        options.methodButton(m_method)->setChecked(true);
        QVERIFY(gain->isEnabled());
        TimeBoundariesTab timeBoundaries;
        // A column for every row's bore keys, the toy's among them.
        QVERIFY(
            std::any_of(timeBoundaries.boreParameters.begin(), timeBoundaries.boreParameters.end(),
                [](const auto& column) { return column.first->key == "toy_skin"; }));
        // Shown while its function is chosen (the tab itself hidden: isHidden, not isVisible).
        QLineEdit* skin = timeBoundaries.findChild<QLineEdit*>(QStringLiteral("Bore1_toy_skin"));
        QVERIFY(skin != nullptr && skin->isHidden());
        timeBoundaries.setMethod(m_method);
        QVERIFY(!skin->isHidden());
        PumpingTestTab pumpingTest;
        QVERIFY(pumpingTest.fitChoice("G") != nullptr);
        QVERIFY(!pumpingTest.fitChoice("G")->isEnabled());
        pumpingTest.setMethod(m_method);
        QVERIFY(pumpingTest.fitChoice("G")->isEnabled());

        ScenarioTexts texts;
        texts.method = "toy";
        texts.aquiferParameters["toy_gain"] = "3";
        texts.bores[1].parameters["toy_skin"] = "0.25";
        options.showTexts(texts);
        timeBoundaries.showTexts(texts);
        ScenarioTexts shown;
        shown.aquiferParameters = options.parameterTexts();
        timeBoundaries.fillTexts(shown);
        QVERIFY(shown.aquiferParameters == texts.aquiferParameters);
        QVERIFY(shown.bores[1].parameters == texts.bores[1].parameters);
        QVERIFY(shown.bores[0].parameters.empty());
    }

private:
    WellMethod m_method = WellMethod::CooperJacob;
};

QTEST_MAIN(WellFunctionRowsTest)
#include "tst_well_function_rows.moc"
