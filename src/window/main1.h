#pragma once

// main1: the program's one window. A tab control holds the scenario ("Data Input"), the contour
// map ("Map"), the 3D surface with its rotation buttons ("3D View") and the information page
// ("Infos"); after them come the options, the schedules and boundaries, and the curves.
// Controls carry the names the program has always used for them, as object names too.
// Everything the window asks of the operating system goes through a Desktop.

#include "analysis/fit.h"
#include "compute/engine/drawdown_engine.h"
#include "compute/engine/drawdown_grid.h"
#include "scenario/scenario.h"
#include "views/colour_scale.h"
#include "views/plot_procedures.h"
#include "window/export_action.h"

#include <QMargins>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QTextEdit;
class QTimer;
class QUndoStack;

namespace drawfield {

// Where the window starts: centred in the screen's available area, its frame (a title bar and
// borders of at most `frame` on each side, the top's being frame.top()) inside it, so its title
// and its menus can be reached; shrunk to the area (not below minimum) where it is larger, as at a
// scale factor of 2 on a small screen. Returns the client area's geometry.
[[nodiscard]] QRect startGeometry(
    QSize size, QSize minimum, const QRect& available, QMargins frame = { 8, 32, 8, 8 });

class AutomationClient;
struct ReportContent;
class Chart3D;
class CurvesChart;
class Desktop;
class ExportPanel;
class ExtentPicture;
class FlexGrid;
class OptionsTab;
class PumpingTestTab;
class ProgressBox;
class ScenarioDocument;
class TaskRunner;
class TabControl;
class TimeBoundariesTab;
class TimeBar;

class main1 : public QWidget {
    Q_OBJECT
public:
    // Makes the automation client that reaches the mapping program; by default one that starts
    // drawfield-mapper from the program's folder.
    using AutomationFactory = std::function<std::unique_ptr<AutomationClient>()>;

    explicit main1(Desktop& desktop, AutomationFactory automation = {}, QWidget* parent = nullptr);
    ~main1() override;

    // Twips (1/1440 inch) to pixels of this window's screen, and back.
    [[nodiscard]] int twips(double value) const;
    [[nodiscard]] double toTwips(int pixels) const;
    // The window's outer size as the layout measures it, twips: the client area and the classic
    // frame the layout was drawn for, whatever frame the window manager draws (or none).
    [[nodiscard]] QSizeF outerSizeTwips() const;

    // Window-level state the handlers share.
    QString AppTitle; // the title of the window's messages
    // The last run's X maximum, Y maximum and cell size (m), and its map; 0 and empty before a
    // run: views of LastRun.
    [[nodiscard]] std::int16_t GridXMax() const;
    [[nodiscard]] std::int16_t GridYMax() const;
    [[nodiscard]] std::int16_t GridStep() const;
    [[nodiscard]] std::shared_ptr<const drawfield::DrawdownGrid> DrawdownGrid() const;
    ViewAngleStore viewAngles;

    // The controls, by the names they have always had (their object names too).
    TabControl* SSTab1; // the tabs: Data Input, Map, 3D View, Infos, then the newer ones
    QLineEdit* Text1; // X minimum, m (fixed at 1)
    QLineEdit* Text2; // X and Y maximum, m
    QLineEdit* Text4; // Y minimum, m (fixed at 1)
    QLineEdit* Text5; // transmissivity, m2/s
    QLineEdit* Text6; // storage coefficient, %
    QLineEdit* Text7; // pumping time, h
    QLineEdit* Text8; // aquifer thickness, m
    QLineEdit* Text10; // the web link, a read-only field that opens the browser
    QLineEdit* Text13; // the rotation's degree step (3D View)
    ExtentPicture* Picture1; // the map's extent drawn beside the fields
    QPushButton* Command1; // GO Compute !
    QPushButton* Command2; // Save WMF: the map as a picture
    QPushButton* Command17; // Refresh: the surface drawn again
    QPushButton* Command27; // Save plot as WMF: the surface as a picture
    QPushButton *Command21, *Command22; // the surface turned about Y, back and forth
    QPushButton *Command23, *Command24; // about X
    QPushButton *Command25, *Command26; // about Z
    ProgressBox* Progressbarx; // the run's progress, behind Command1 while it runs
    QComboBox* Combo1; // cell size, m (fixed at 1)
    QLabel *Label1, *Label2, *Label3, *Label4; // the captions of Text5 .. Text8
    QLabel* Label5; // "Cell size"
    QLabel* Label7; // "Degree step"
    QLabel *Label8, *Label9, *Label10; // "Y", "X", "Z" of the rotation buttons
    QLabel* Label18; // how to turn the surface with the mouse
    QCheckBox* Check1; // Record XYZ: the record file written by each run
    QCheckBox* Check2; // SURFER Grid: the record handed to the mapping program
    QGroupBox* Frame1; // Hydraulic parameters: Text5 .. Text8
    QGroupBox* Frame2; // Pumping rate and location: Grid1
    QGroupBox* Frame3; // Rotation: Command21 .. Command26 and Text13
    FlexGrid* Grid1; // the bores: X (m), Y (m), rate (m3/h), one row each
    Chart3D* Chart3D1; // the contour map (Map)
    Chart3D* Chart3D2; // the 3D surface (3D View)
    QTextEdit* RichTextBox1; // the information page (Infos)
    QWidget* Picture2; // a picture of the Infos tab, hidden
    ExportPanel* exportPanel; // shown over the window while an export runs
    QMenuBar* menuBar; // above the client area that holds the tabs
    QWidget* clientArea; // everything below the menu bar
    QAction *openScenarioAction, *saveScenarioAction, *saveScenarioAsAction, *quitAction;
    QAction *infosAction, *aboutAction;
    QMenu* recentMenu; // the five scenario files opened or saved last
    QMenu* exportMenu;
    QAction *exportGeoTiffAction, *exportContoursAction, *exportReportAction;
    OptionsTab* options; // the tab after Infos
    TimeBoundariesTab* timeBoundaries; // schedules, boundaries, observation points, profile
    QScrollArea *optionsArea, *timeBoundariesArea; // they scroll in a small window
    CurvesChart* curvesChart; // the "Curves" tab: the last run's curves and profile
    QPushButton* saveCurves; // over the curves chart's corner
    PumpingTestTab* pumpingTest; // measured drawdowns and the fit
    QScrollArea* pumpingTestArea;
    // The live map (live_map.cpp): the time bar under the map and the surface (View > Time
    // slider), bores and observation points dragged on the map, and their moves undone.
    TimeBar* timeBar = nullptr;
    QAction *timeSliderAction, *undoMoveAction, *redoMoveAction, *exportAnimationAction;
    QUndoStack* moves;

    // The handlers, callable as the events call them.
    void Form_Load();
    void Form_Resize();
    void Command1_Click(); // GO Compute !
    void Command2_Click(); // Save WMF (the map)
    void Command27_Click(); // Save plot as WMF (the surface)
    void saveCurvesPicture(); // Save picture (the curves)
    void Command17_Click(); // Refresh
    void Text10_MouseDown();

    // The time the charts show (the pumping time, or the time bar's once it came to rest), and
    // the map they show then: at picture resolution while the hand moves, the full lattice when
    // it stops.
    [[nodiscard]] double shownSeconds() const;
    [[nodiscard]] std::shared_ptr<const drawfield::DrawdownGrid> shownGrid() const;
    // Puts marker (of the map's overlays) at whole metres (x, y) as dropping it there would:
    // into the well table or the observation table, as one move that can be undone, and runs
    // the fields. False where it may not go (off the map, beyond a boundary).
    [[nodiscard]] bool dropMarker(int marker, int x, int y);

    // Where the run writes its record file: the program's data folder.
    [[nodiscard]] QString recordFilePath() const;

    // Scenario files. Open and the recent files ask first about unsaved changes; a file that
    // cannot be read says why and changes nothing. Each returns whether it did what it says.
    [[nodiscard]] bool openScenario(const QString& path);
    [[nodiscard]] bool openScenarioFile(
        const std::filesystem::path& file); // any name, UTF-8 or not
    bool saveScenario(); // to the open file, or as a new one when there is none
    bool saveScenarioAs();
    // The texts of every field, as a scenario file holds them; and the other way.
    [[nodiscard]] ScenarioTexts fieldTexts() const;
    void setFieldTexts(const ScenarioTexts& texts);
    // Shows texts in the fields (the units and the captions that name them included), keeping
    // the moves: what setFieldTexts does after forgetting them, and what a change of units does.
    void showFieldTexts(const ScenarioTexts& texts);
    [[nodiscard]] const QString& scenarioPath() const; // empty: no file
    // The last fit of the pumping test, or none.
    [[nodiscard]] const std::optional<FitResult>& lastFit() const { return m_lastFit; }
    // The fields differ from the open file, or without one from the start-up texts; a cell being
    // typed in counts.
    [[nodiscard]] bool hasUnsavedChanges() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The captions of the fields whose unit can be chosen, naming it (classic_tabs.cpp).
    void showUnitLabels();
    // A value typed with a unit word into one of the classic fields: converted into the field's
    // unit, saying so for a moment; refused with a message when the word is not of its quantity.
    void convertTypedUnit(QLineEdit* field, Quantity quantity);
    // The tabs and their controls, placed as designed (classic_tabs.cpp).
    void buildTabs();
    void buildDataInputTab(QWidget* tab);
    void buildMapTab(QWidget* tab);
    void build3DViewTab(QWidget* tab);
    void buildInfosTab(QWidget* tab);
    void buildCurvesTab(QWidget* tab);
    [[nodiscard]] QScrollArea* scrolled(QWidget* page, QWidget* content);
    void setTabOrder();
    [[nodiscard]] int menuBarHeight() const;

    void buildMenus();
    enum class GisFile { GeoTiff, Contours };
    // Writes the map of the fields for GIS, to a file the user names (running them first when
    // they changed since the last run).
    void exportGisFile(GisFile kind);
    // Writes the report of the fields, to a file the user names (likewise).
    void exportReport();
    // Writes the animated GIF of the fields' map from one minute to the pumping time.
    void exportAnimation();
    void showStop(const QString& text);
    // Turns every menu action and its shortcut off while a task runs, and on again.
    void setCommandsEnabled(bool enabled);
    // Reads and computes the fields. As pressed, the run also opens the record file when asked,
    // brings the map to the front and exports to the mapping program when asked; quietly (for
    // an export of the fields as they are) it does not. False when refused, stopped or failed.
    enum class RunShows { AsPressed, Quietly };
    [[nodiscard]] bool runFields(RunShows shows);
    // Runs the fields unless the last run was of them as they are: false when that run fails.
    [[nodiscard]] bool runIfFieldsChanged();
    void updateTitle();
    // Another scenario was opened: every result of the last run and the last fit goes, the
    // views back to their state before any run; nothing of other fields is shown, saved, read
    // out, dragged or used.
    void clearResults();
    // "Use these values" only while the fields' readings and method are the fitted ones.
    [[nodiscard]] bool fitBelongsToFields(const ScenarioTexts& texts) const;
    [[nodiscard]] PlotSource plotSource() const;
    void savePlot(Chart3D& chart, const QString& defaultName);
    // The live map (live_map.cpp).
    void buildLiveMap();
    void placeTimeBar(); // under the chart of the tab in front, when shown
    void liveMapAfterRun(); // a new run: the bar's range, the colours, the draggable markers
    // Shows the map of `inputs` at `seconds` in both charts: at picture resolution (while the
    // hand moves) or on the full lattice.
    void showMapAt(const ScenarioInputs& inputs, double seconds, bool coarse);
    void timeMoved(double seconds, bool moving);
    void settleTime();
    void markerMoved(int marker, QPointF metres);
    void markerDragCancelled(int marker);
    // Where a marker may go: the point (whole metres) clamped to the map and kept in the
    // aquifer, and what to say when it was held back.
    struct MarkerPlace {
        int x = 0, y = 0;
        QString heldBack;
    };
    [[nodiscard]] MarkerPlace markerPlace(int marker, QPointF metres) const;
    [[nodiscard]] ScenarioInputs withMarkerAt(int marker, int x, int y) const;
    void placeInFields(bool observation, int row, const QString& x, const QString& y);
    friend class MarkerMove;

    // Hands the record file to the mapping program when "SURFER Grid" is ticked, as a task: the
    // outcome is said when it is not a success.
    void SURFER_Export(const QString& Surfer_fichier);

    // The pumping test (pumping_test.cpp): the fit of the fields' measured drawdowns as a task,
    // its values into the fields, a file chosen for a row, the chart as a picture.
    void fitMeasuredDrawdowns();
    void useFittedValues();
    // Opens a study's scenario (asking about unsaved changes) and gives it the fitted aquifer.
    void useFitInAnotherScenario();
    void chooseMeasuredFile(int row);
    void saveFitPicture();
    // Where relative names of measured files are found: the scenario file's folder, or the data
    // folder while there is no file.
    [[nodiscard]] std::filesystem::path measuredFolder() const;
    // The pumping test for a report of the fields: the readings, and the last fit when it was
    // of these fields (before or after its values were used). False where there are no readings.
    bool addPumpingTestTo(ReportContent& content) const;
    // The files the fields read (the scenario file, the readings), which no export replaces.
    [[nodiscard]] std::vector<std::filesystem::path> filesRead() const;
    [[nodiscard]] ExportRequest withFilesRead(ExportRequest request) const;

    Desktop& m_desktop;
    AutomationFactory m_automation;
    TaskRunner* m_tasks; // the run and every export, one at a time
    // The engine's memory kept across runs of the map: the run, the drags, the time bar.
    std::shared_ptr<EngineWorkspace> m_workspace = std::make_shared<EngineWorkspace>();
    ScenarioDocument* m_document; // the scenario file the fields came from
    // The last run, one value: what it computed, from which texts, and what it made.
    struct LastRun {
        ScenarioInputs inputs;
        ScenarioTexts texts;
        std::shared_ptr<const drawfield::DrawdownGrid> grid;
        ChartOverlays overlays; // its wells and validity zone
        DrawdownPeak peak; // its largest drawdown
    };
    std::optional<LastRun> m_lastRun; // none before the first run and after Open
    std::optional<FitResult> m_lastFit; // the last fit of the pumping test
    ScenarioTexts m_lastFitTexts; // and the texts it read
    // Its points without their readings: the fit's record names their files.
    std::vector<MeasuredPoint> m_lastFitPoints;
    // "test.ini (obs_r30m.csv, obs_r90m.csv)": the last fit's source, under the scenario's name.
    [[nodiscard]] std::string lastFitSource() const;
    bool m_closeConfirmed = false; // unsaved changes settled for this close
    QTimer* m_settle = nullptr; // the full lattice once the time rests
    std::optional<double> m_shownSeconds; // empty: the pumping time
    std::shared_ptr<const drawfield::DrawdownGrid> m_shownGrid; // what the charts show
    std::optional<ColourScale> m_runScale; // the run's map colours, kept at earlier times
    std::optional<MarkerPlace> m_lastPlace; // of the marker being dragged
    // The rows and keys of the last texts shown that no field shows (bores beyond the table's
    // rows, points beyond the observation table's, names): kept as they were, so that nothing
    // read is lost when the fields are saved.
    std::vector<BoreTexts> m_heldBores = std::vector<BoreTexts>(WellCount);
    std::vector<ObservationTexts> m_heldPoints = std::vector<ObservationTexts>(ObservationCount);
    std::string m_heldCoordinates; // [map] coordinates
    ReportTexts m_heldReport; // [report]
    std::string m_heldPumpingStart; // [aquifer] pumping_start
    FitTexts m_heldFit; // [fit]: a fit's record, its intervals reported while its values stand
};

} // namespace drawfield
