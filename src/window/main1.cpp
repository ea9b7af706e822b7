#include "window/main1.h"

#include "compute/atomic_file.h"
#include "compute/drawdown_engine.h"
#include "compute/messages.h"
#include "compute/record_file.h"
#include "compute/run.h"
#include "compute/user_text.h"
#include "compute/scenario.h"
#include "compute/scenario_file.h"
#include "gis/gis_files.h"
#include "surfer/process_automation.h"
#include "platform/program_folders.h"
#include "surfer/surfer_export.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "views/map_geometry.h"
#include "views/report.h"
#include "window/boundaries_tab.h"
#include "window/controls.h"
#include "window/desktop.h"
#include "window/module1.h"
#include "window/options_tab.h"
#include "window/rtf_reader.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>

namespace drawfield {
namespace {

    // The allowed characters of each filtered field.
    const QString DigitsAndE = QStringLiteral("0123456789E");
    const QString Transmissivity = QStringLiteral("0123456789E.-");
    const QString PointAndDigits = QStringLiteral(".0123456789");
    const QString Digits = QStringLiteral("0123456789");

    const QString WebAddress
        = QStringLiteral("http://www.karsto-software.example/Software/default2.html");

    // The fonts the window was designed with, or the nearest ones installed.
    QFont sansSerif(double points, bool bold = false)
    {
        QFont font;
        font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
            QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
            QStringLiteral("DejaVu Sans") });
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    // Where the stand-in font is wider than the one the window was designed with, captions take
    // a slightly smaller size rather than being cut off by their boxes. Captions that stand
    // together (the two check boxes, the four aquifer labels) take one size, the one that fits
    // them all, so that they still look alike.
    void fitCaptions(std::initializer_list<QWidget*> together)
    {
        double points = (*together.begin())->font().pointSizeF();
        for (QWidget* control : together) {
            QString caption = control->property("text").toString();
            QFont font = control->font();
            font.setPointSizeF(points);
            int room = control->width() - (qobject_cast<QCheckBox*>(control) ? 22 : 0);
            while (font.pointSizeF() > 7.0 && QFontMetrics(font).horizontalAdvance(caption) > room)
                font.setPointSizeF(font.pointSizeF() - 0.25);
            points = std::min(points, font.pointSizeF());
        }
        for (QWidget* control : together) {
            QFont font = control->font();
            font.setPointSizeF(points);
            control->setFont(font);
        }
    }

    // The window's frame as the layout counts it: the classic frame its twip measures were drawn
    // for (4 px borders, a 19 px caption). Qt knows the real frame only once the window is shown,
    // and not at all without a window manager, so the first layout could not rely on it.
    constexpr double DesignFrameWidthTwips = 120;
    constexpr double DesignFrameHeightTwips = 405;

    // A control of the window, created with its caption or text and named as the program names it.
    template <class Control>
    void makeControl(Control*& member, QWidget* parent, const char* name, const QString& caption)
    {
        member = new Control(caption, parent);
        member->setObjectName(QLatin1String(name));
    }

    QFont narrowBold(double points)
    {
        QFont font;
        font.setFamilies({ QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
            QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed") });
        font.setPointSizeF(points);
        font.setBold(true);
        return font;
    }

} // namespace

main1::main1(Desktop& desktop, AutomationFactory automation, QWidget* parent)
    : QWidget(parent)
    , m_desktop(desktop)
    , m_automation(std::move(automation))
{
    if (!m_automation)
        m_automation = [this] {
            return std::make_unique<ProcessAutomationClient>(
                ProcessAutomationClient::mapperIn(m_desktop.programFolder()));
        };
    setObjectName(QStringLiteral("main1"));
    setWindowTitle(QStringLiteral("Drawfield 2.0"));
    setWindowIcon(drawfieldIcon());
    setFont(sansSerif(8.25));

    // The menu bar sits above the client area; the controls keep their places in the latter.
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    clientArea = new QWidget(this);
    clientArea->setObjectName(QStringLiteral("clientArea"));
    SSTab1 = new TabControl(clientArea);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(twips(120), twips(120), twips(9255), twips(6375));
    buildDataInputTab(SSTab1->addTab(QStringLiteral("Data Input")));
    buildMapTab(SSTab1->addTab(QStringLiteral("Map")));
    build3DViewTab(SSTab1->addTab(QStringLiteral("3D View")));
    buildInfosTab(SSTab1->addTab(QStringLiteral("Infos")));
    SSTab1->setCurrentIndex(0);
    setTabOrder();
    // Added after the tab order is set, so the four tabs keep theirs and these follow. Each
    // scrolls when the window is too small to show it whole.
    options = new OptionsTab;
    optionsArea = scrolled(SSTab1->addTab(QStringLiteral("Options")), options);
    timeBoundaries = new TimeBoundariesTab;
    timeBoundariesArea
        = scrolled(SSTab1->addTab(QStringLiteral("Time and Boundaries")), timeBoundaries);
    buildCurvesTab(SSTab1->addTab(QStringLiteral("Curves")));
    SSTab1->setCurrentIndex(0);
    exportPanel = new ExportPanel(this);
    connect(exportPanel->stopButton(), &QPushButton::clicked, this,
        [this] { m_exportStop.request_stop(); });

    buildMenus();
    setAcceptDrops(true);

    resize(twips(9510), twips(6585) + menuBarHeight());
    Form_Load();
    m_savedTexts = fieldTexts();
    // Any change of a field may make the fields differ from the open file.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, &main1::updateTitle);
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::toggled, this, &main1::updateTitle);
    for (QComboBox* box : findChildren<QComboBox*>())
        connect(box, &QComboBox::currentIndexChanged, this, &main1::updateTitle);
    for (QTableWidget* table : findChildren<QTableWidget*>())
        connect(table, &QTableWidget::itemChanged, this, &main1::updateTitle);
}

int main1::menuBarHeight() const { return menuBar->sizeHint().height(); }

void main1::buildMenus()
{
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    openScenarioAction = file->addAction(
        QStringLiteral("&Open Scenario..."), this, [this] { chooseAndOpenScenario(); });
    openScenarioAction->setShortcut(QKeySequence::Open);
    saveScenarioAction
        = file->addAction(QStringLiteral("&Save Scenario"), this, [this] { saveScenario(); });
    saveScenarioAction->setShortcut(QKeySequence::Save);
    saveScenarioAsAction = file->addAction(
        QStringLiteral("Save Scenario &As..."), this, [this] { saveScenarioAs(); });
    recentMenu = file->addMenu(QStringLiteral("&Recent Scenarios"));
    fillRecentMenu();
    file->addSeparator();
    exportMenu = file->addMenu(QStringLiteral("&Export"));
    exportGeoTiffAction = exportMenu->addAction(QStringLiteral("Drawdown as &GeoTIFF..."), this,
        [this] { exportGisFile(GisFile::GeoTiff); });
    exportContoursAction = exportMenu->addAction(
        QStringLiteral("&Contours for GIS..."), this, [this] { exportGisFile(GisFile::Contours); });
    exportReportAction = exportMenu->addAction(
        QStringLiteral("&Report (PDF)..."), this, [this] { exportReport(); });
    file->addSeparator();
    quitAction = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
    infosAction
        = help->addAction(QStringLiteral("&Infos"), this, [this] { SSTab1->setCurrentIndex(3); });
    aboutAction = help->addAction(QStringLiteral("&About Drawfield"), this, [this] {
        m_desktop.showMessage(this,
            QStringLiteral("Drawfield 2.0\n\nThe drawdown of the water level around pumping "
                           "wells: the Cooper-Jacob approximation or the exact Theis solution, "
                           "with pumping schedules, straight boundaries and observation points."),
            MessageIcon::Information, QStringLiteral("About Drawfield"));
    });
}

ScenarioTexts main1::fieldTexts() const
{
    ScenarioTexts texts;
    texts.xMin = Text1->text().toStdString();
    texts.yMin = Text4->text().toStdString();
    texts.xMax = Text2->text().toStdString();
    texts.cellSize = Combo1->currentText().toStdString();
    texts.transmissivity = Text5->text().toStdString();
    texts.storage = Text6->text().toStdString();
    texts.pumpTime = Text7->text().toStdString();
    texts.thickness = Text8->text().toStdString();
    texts.method = options->methodText().toStdString();
    texts.unconfined = options->unconfinedText().toStdString();
    texts.georeference = options->georeferenceTexts();
    for (int row = 1; row <= WellCount; ++row)
        texts.wells[static_cast<std::size_t>(row - 1)] = { Grid1->TextMatrix(row, 1).toStdString(),
            Grid1->TextMatrix(row, 2).toStdString(), Grid1->TextMatrix(row, 3).toStdString() };
    timeBoundaries->fillTexts(texts);
    return texts;
}

void main1::setFieldTexts(const ScenarioTexts& texts)
{
    auto show = [](QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
    };
    show(Text1, texts.xMin);
    show(Text4, texts.yMin);
    show(Text2, texts.xMax);
    Combo1->setEditText(QString::fromStdString(texts.cellSize));
    show(Text5, texts.transmissivity);
    show(Text6, texts.storage);
    show(Text7, texts.pumpTime);
    show(Text8, texts.thickness);
    options->showTexts(texts);
    for (int row = 1; row <= WellCount; ++row) {
        const WellTexts& well = texts.wells[static_cast<std::size_t>(row - 1)];
        Grid1->setTextMatrix(row, 1, QString::fromStdString(well.x));
        Grid1->setTextMatrix(row, 2, QString::fromStdString(well.y));
        Grid1->setTextMatrix(row, 3, QString::fromStdString(well.rate));
    }
    timeBoundaries->showTexts(texts);
}

bool main1::hasUnsavedChanges() const { return !(fieldTexts() == m_savedTexts); }

void main1::updateTitle()
{
    // The untouched window without a file has the program's title, as it has always had.
    const bool changed = hasUnsavedChanges();
    if (m_scenarioPath.isEmpty() && !changed) {
        setWindowTitle(QStringLiteral("Drawfield 2.0"));
        return;
    }
    const QString name = m_scenarioPath.isEmpty() ? QStringLiteral("Untitled")
                                                  : QFileInfo(m_scenarioPath).fileName();
    setWindowTitle(
        name + (changed ? QStringLiteral("*") : QString()) + QStringLiteral(" - Drawfield 2.0"));
}

bool main1::settleUnsavedChanges()
{
    if (!hasUnsavedChanges())
        return true;
    const QString name = m_scenarioPath.isEmpty() ? QString() : QFileInfo(m_scenarioPath).fileName();
    switch (m_desktop.askUnsavedChanges(this, name)) {
    case UnsavedChoice::Save:
        return saveScenario();
    case UnsavedChoice::Discard:
        return true;
    case UnsavedChoice::Cancel:
        break;
    }
    return false;
}

bool main1::chooseAndOpenScenario()
{
    if (!settleUnsavedChanges())
        return false;
    const QString folder = m_scenarioPath.isEmpty() ? m_desktop.dataFolder()
                                                    : QFileInfo(m_scenarioPath).absolutePath();
    std::optional<QString> chosen
        = m_desktop.askOpenFileName(this, QStringLiteral("Open a scenario"),
            QStringLiteral("Scenario files (*.ini);;All files (*)"), folder);
    if (!chosen)
        return false;
    // The question is settled: opening asks no more. A file that cannot be opened leaves the
    // window as it was, its unsaved changes included.
    const std::filesystem::path keepFile = m_scenarioFile;
    const QString keepPath = m_scenarioPath;
    const ScenarioTexts keepTexts = m_savedTexts;
    m_savedTexts = fieldTexts();
    if (openScenario(*chosen))
        return true;
    m_scenarioFile = keepFile;
    m_scenarioPath = keepPath;
    m_savedTexts = keepTexts;
    updateTitle();
    return false;
}

bool main1::openScenario(const QString& path)
{
    return openScenarioFile(QFile::encodeName(path).toStdString());
}

bool main1::openScenarioFile(const std::filesystem::path& file)
{
    if (!settleUnsavedChanges())
        return false;
    ScenarioTexts texts;
    try {
        texts = readScenarioFile(file);
    } catch (const ScenarioFileError& error) {
        showStop(QString::fromLocal8Bit(error.what()));
        return false;
    }
    setFieldTexts(texts);
    m_scenarioFile = std::filesystem::absolute(file).lexically_normal();
    m_scenarioPath = QFile::decodeName(QByteArray::fromStdString(m_scenarioFile.native()));
    // What the fields hold now is the file: a text no field can hold does not count as a change.
    m_savedTexts = fieldTexts();
    rememberRecent(m_scenarioFile);
    updateTitle();
    return true;
}

bool main1::saveScenario()
{
    if (m_scenarioPath.isEmpty())
        return saveScenarioAs();
    const ScenarioTexts texts = fieldTexts();
    try {
        writeScenarioFile(m_scenarioFile, texts);
    } catch (const FileWriteError& error) {
        showStop(QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_savedTexts = texts;
    rememberRecent(m_scenarioFile);
    updateTitle();
    return true;
}

bool main1::saveScenarioAs()
{
    const QString initial = m_scenarioPath.isEmpty()
        ? m_desktop.dataFolder() + QStringLiteral("/scenario.ini")
        : m_scenarioPath;
    std::optional<QString> chosen = askFileToWrite(QStringLiteral("Save the scenario as"),
        QStringLiteral("Scenario files (*.ini)"), initial, QStringLiteral("ini"));
    if (!chosen)
        return false;
    const std::filesystem::path previousFile = m_scenarioFile;
    const QString previous = m_scenarioPath;
    m_scenarioFile = std::filesystem::absolute(QFile::encodeName(*chosen).toStdString());
    m_scenarioPath = QFileInfo(*chosen).absoluteFilePath();
    if (saveScenario())
        return true;
    m_scenarioFile = previousFile;
    m_scenarioPath = previous;
    updateTitle();
    return false;
}

namespace {

    // A scenario file as the recent list keeps it: its path, or where the name is not UTF-8, a
    // file address whose escapes keep every byte.
    QString recentEntryOf(const std::filesystem::path& file)
    {
        const QByteArray bytes = QByteArray::fromStdString(file.native());
        if (QFile::encodeName(QFile::decodeName(bytes)) == bytes)
            return QFile::decodeName(bytes);
        return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
    }

    std::filesystem::path fileOfRecentEntry(const QString& entry)
    {
        if (entry.startsWith(QStringLiteral("file://")))
            return QByteArray::fromPercentEncoding(entry.mid(7).toLatin1()).toStdString();
        return QFile::encodeName(entry).toStdString();
    }

} // namespace

void main1::rememberRecent(const std::filesystem::path& file)
{
    const QString entry = recentEntryOf(file);
    QStringList files = m_desktop.recentFiles();
    files.removeAll(entry);
    files.prepend(entry);
    while (files.size() > 5)
        files.removeLast();
    m_desktop.setRecentFiles(files);
    fillRecentMenu();
}

void main1::fillRecentMenu()
{
    recentMenu->clear();
    const QStringList files = m_desktop.recentFiles();
    int number = 0;
    for (const QString& entry : files) {
        if (++number > 5)
            break;
        const std::filesystem::path file = fileOfRecentEntry(entry);
        const QString shown = QFile::decodeName(QByteArray::fromStdString(file.native()));
        recentMenu->addAction(QStringLiteral("&%1 %2").arg(number).arg(shown), this,
            [this, entry, file, shown] {
                std::error_code error;
                if (!std::filesystem::exists(file, error)) {
                    showStop(
                        QStringLiteral("Cannot read the scenario file %1: it is no longer there.")
                            .arg(shown));
                    QStringList kept = m_desktop.recentFiles();
                    kept.removeAll(entry);
                    m_desktop.setRecentFiles(kept);
                    fillRecentMenu();
                    return;
                }
                openScenarioFile(file);
            });
    }
    recentMenu->setEnabled(!files.isEmpty());
}

void main1::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()
        && urls.front().path().endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive))
        event->acceptProposedAction();
}

void main1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    // The address's escapes keep the name's bytes, whatever they are.
    const std::filesystem::path file
        = QByteArray::fromPercentEncoding(urls.front().path(QUrl::FullyEncoded).toLatin1())
              .toStdString();
    // Opened once the drop has ended: a question asked inside it would hold the dragging program.
    QMetaObject::invokeMethod(
        this, [this, file] { openScenarioFile(file); }, Qt::QueuedConnection);
}

main1::~main1() = default;

int main1::twips(double value) const
{
    return static_cast<int>(std::lround(value * logicalDpiX() / 1440.0));
}

double main1::toTwips(int pixels) const { return pixels * 1440.0 / logicalDpiX(); }

QSizeF main1::outerSizeTwips() const
{
    // The client area below the menu bar is the window the layout was drawn for.
    return { toTwips(width()) + DesignFrameWidthTwips,
        toTwips(height() - menuBarHeight()) + DesignFrameHeightTwips };
}

void main1::place(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

QScrollArea* main1::scrolled(QWidget* page, QWidget* content)
{
    auto* area = new QScrollArea(page);
    area->setObjectName(content->objectName() + QStringLiteral("Area"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    area->move(twips(240), twips(480));
    return area;
}

void main1::buildDataInputTab(QWidget* tab)
{

    makeControl(Text1, tab, "Text1", QStringLiteral("1"));
    place(Text1, 240, 480, 855, 375);
    Text1->setToolTip(QStringLiteral("X minimum in meters"));
    Text1->setEnabled(false);
    makeControl(Text2, tab, "Text2", QStringLiteral("100"));
    place(Text2, 3360, 480, 735, 375);
    Text2->setToolTip(QStringLiteral("X and Y maximum in meters"));
    makeControl(Text4, tab, "Text4", QStringLiteral("1"));
    place(Text4, 3360, 3000, 735, 375);
    Text4->setToolTip(QStringLiteral("Y minimum in meters"));
    Text4->setEnabled(false);

    Picture1 = new ExtentPicture(tab);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 240, 840, 3135, 2535);

    // The progress box lies behind the button: it shows only while the button is hidden.
    Progressbarx = new ProgressBox(tab);
    Progressbarx->setObjectName(QStringLiteral("Progressbarx"));
    place(Progressbarx, 4680, 480, 4335, 375);
    makeControl(Command1, tab, "Command1", QStringLiteral("GO Compute !"));
    place(Command1, 4680, 480, 4335, 375);
    Command1->setFont(sansSerif(9.75, true));
    Command1->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(255, 0, 0); border: 2px outset rgb(200, 0, 0); }"
        "QPushButton:pressed { border-style: inset; }"));
    Command1->raise();
    connect(Command1, &QPushButton::clicked, this, &main1::Command1_Click);

    makeControl(Text10, tab, "Text10", QStringLiteral("Karsto Link"));
    place(Text10, 3840, 1080, 1215, 300);
    Text10->setToolTip(QStringLiteral("Lauch Explorer"));
    Text10->setFrame(false);
    Text10->setFont(narrowBold(12));
    Text10->setCursor(Qt::ArrowCursor);
    QPalette linkPalette = Text10->palette();
    linkPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
    Text10->setPalette(linkPalette);
    Text10->installEventFilter(this);

    Combo1 = new QComboBox(tab);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("1"));
    place(Combo1, 3600, 1560, 855, 315);
    Combo1->setEnabled(false);
    Combo1->lineEdit()->installEventFilter(this);
    makeControl(Label5, tab, "Label5", QStringLiteral("Cell size"));
    place(Label5, 4440, 1560, 735, 375);

    makeControl(Check1, tab, "Check1", QStringLiteral("Record XYZ"));
    place(Check1, 3600, 2040, 1215, 255);
    Check1->setToolTip(QStringLiteral("If checked, a text file with X,Y,Z will be recorded"));
    makeControl(Check2, tab, "Check2", QStringLiteral("SURFER Grid"));
    place(Check2, 3600, 2400, 1455, 255);

    makeControl(Frame1, tab, "Frame1", QStringLiteral("Hydraulic parameters"));
    place(Frame1, 5160, 1080, 3855, 2535);
    makeControl(Text5, Frame1, "Text5", QStringLiteral("0.003"));
    place(Text5, 240, 360, 975, 405);
    makeControl(Label1, Frame1, "Label1", QStringLiteral("Transmissivity (m2/s)"));
    place(Label1, 1320, 480, 1935, 255);
    makeControl(Text6, Frame1, "Text6", QStringLiteral("4"));
    place(Text6, 240, 840, 975, 375);
    makeControl(Label2, Frame1, "Label2", QStringLiteral("S Coefficient of storage (%)"));
    place(Label2, 1320, 960, 2295, 255);
    makeControl(Text7, Frame1, "Text7", QStringLiteral("24"));
    place(Text7, 240, 1320, 975, 375);
    makeControl(Label3, Frame1, "Label3", QStringLiteral("Pumping time (hours)"));
    place(Label3, 1320, 1440, 2175, 255);
    makeControl(Text8, Frame1, "Text8", QStringLiteral("20"));
    place(Text8, 240, 1800, 975, 405);
    makeControl(Label4, Frame1, "Label4", QStringLiteral("Aquifer thickness (m)"));
    place(Label4, 1440, 1920, 2175, 255);
    for (QLabel* frameLabel : { Label1, Label2, Label3, Label4 })
        frameLabel->setFont(sansSerif(9.75));
    fitCaptions({ Label1, Label2, Label3, Label4 });
    fitCaptions({ Label5 });
    fitCaptions({ Check1, Check2 });

    makeControl(Frame2, tab, "Frame2", QStringLiteral("Pumping rate (m3/h) and location (m)"));
    Frame2->setFont(sansSerif(9.75));
    place(Frame2, 240, 3720, 8775, 2415);
    Grid1 = new FlexGrid(6, 4, twips(270), twips(2000), Frame2);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setFont(sansSerif(8.25));
    place(Grid1, 360, 430, 8055, 1695);
    Grid1->keyFilter = [this](QChar c) {
        int code = c.unicode() <= 255 ? c.unicode() : -1;
        return Module1::FilterKey(static_cast<std::int16_t>(code), PointAndDigits, -1, m_desktop)
            != 0;
    };

    for (QLineEdit* field : { Text2, Text5, Text6, Text7, Text8 })
        field->installEventFilter(this);
}

void main1::buildMapTab(QWidget* tab)
{
    Chart3D1 = new Chart3D(Chart3D::Presentation::ContourMap, tab);
    Chart3D1->setObjectName(QStringLiteral("Chart3D1"));
    place(Chart3D1, 240, 480, 3855, 2055);
    Chart3D1->hide();
    makeControl(Command2, tab, "Command2", QStringLiteral("Save WMF"));
    place(Command2, 240, 480, 2175, 315);
    Command2->raise();
    connect(Command2, &QPushButton::clicked, this, &main1::Command2_Click);
}

void main1::buildCurvesTab(QWidget* tab)
{
    curvesChart = new CurvesChart(tab);
    place(curvesChart, 240, 480, 3855, 2055);
    saveCurves = new QPushButton(QStringLiteral("Save picture"), tab);
    saveCurves->setObjectName(QStringLiteral("SaveCurves"));
    place(saveCurves, 240, 480, 2175, 315);
    saveCurves->raise();
    connect(saveCurves, &QPushButton::clicked, this, &main1::saveCurvesPicture);
}

void main1::build3DViewTab(QWidget* tab)
{
    makeControl(Command17, tab, "Command17", QStringLiteral("Refresh"));
    place(Command17, 240, 600, 1695, 375);
    makeControl(Command27, tab, "Command27", QStringLiteral("Save plot as WMF"));
    place(Command27, 240, 1200, 1695, 375);
    makeControl(Label18, tab, "Label18",
        QStringLiteral(
            "Press the 2 buttons of the mouse to rotate the plot or use the ROTATION buttons"));
    Label18->setWordWrap(true);
    Label18->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(Label18, 240, 1800, 1530, 990);

    makeControl(Frame3, tab, "Frame3", QStringLiteral("Rotation"));
    place(Frame3, 120, 3120, 1695, 1890);
    makeControl(Command25, Frame3, "Command25", QStringLiteral("<<"));
    place(Command25, 120, 360, 495, 255);
    makeControl(Label10, Frame3, "Label10", QStringLiteral("Z"));
    place(Label10, 720, 360, 375, 255);
    makeControl(Command26, Frame3, "Command26", QStringLiteral(">>"));
    place(Command26, 960, 360, 615, 255);
    makeControl(Command21, Frame3, "Command21", QStringLiteral("<<"));
    place(Command21, 120, 720, 495, 255);
    makeControl(Label8, Frame3, "Label8", QStringLiteral("Y"));
    place(Label8, 720, 720, 255, 255);
    makeControl(Command22, Frame3, "Command22", QStringLiteral(">>"));
    place(Command22, 960, 720, 615, 255);
    makeControl(Command23, Frame3, "Command23", QStringLiteral("<<"));
    place(Command23, 120, 1080, 495, 255);
    makeControl(Label9, Frame3, "Label9", QStringLiteral("X"));
    place(Label9, 720, 1080, 255, 255);
    makeControl(Command24, Frame3, "Command24", QStringLiteral(">>"));
    place(Command24, 960, 1080, 615, 255);
    makeControl(Text13, Frame3, "Text13", QStringLiteral("20"));
    place(Text13, 90, 1440, 495, 285);
    Text13->installEventFilter(this);
    makeControl(Label7, Frame3, "Label7", QStringLiteral("Degree step"));
    place(Label7, 660, 1440, 975, 255);

    Chart3D2 = new Chart3D(Chart3D::Presentation::Surface, tab);
    Chart3D2->setObjectName(QStringLiteral("Chart3D2"));
    place(Chart3D2, 2040, 480, 6735, 5055);
    Chart3D2->hide();

    // Each rotation button turns one axis by the degree step and refills the surface.
    auto rotation = [this](QPushButton* control, RotationAxis axis, int direction) {
        connect(control, &QPushButton::clicked, this, [this, axis, direction] {
            rotateView(*Chart3D2, viewAngles, axis, direction, Text13->text(), plotSource());
        });
    };
    rotation(Command25, RotationAxis::Z, -1);
    rotation(Command26, RotationAxis::Z, +1);
    rotation(Command21, RotationAxis::Y, -1);
    rotation(Command22, RotationAxis::Y, +1);
    rotation(Command23, RotationAxis::X, -1);
    rotation(Command24, RotationAxis::X, +1);
    connect(Command17, &QPushButton::clicked, this, &main1::Command17_Click);
    connect(Command27, &QPushButton::clicked, this, &main1::Command27_Click);
}

void main1::buildInfosTab(QWidget* tab)
{
    RichTextBox1 = new QTextEdit(tab);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setPlainText(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    place(RichTextBox1, 120, 480, 4095, 2055);
    Picture2 = new QWidget(tab);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    place(Picture2, 120, 480, 3135, 1575);
    Picture2->hide();
}

void main1::setTabOrder()
{
    // The tab-order indices of the window's design; labels, frames and pictures take no focus.
    struct Entry {
        int index;
        QWidget* widget;
    };
    std::vector<Entry> entries = { { 0, SSTab1->tabBar() }, { 1, Chart3D1 }, { 2, Text1 },
        { 3, Text2 }, { 4, Text4 }, { 6, Text6 }, { 7, Text7 }, { 8, Text8 }, { 15, Command1 },
        { 16, Progressbarx }, { 17, Check1 }, { 18, RichTextBox1 }, { 19, Chart3D2 },
        { 21, Text13 }, { 22, Command21 }, { 23, Command22 }, { 24, Command23 }, { 25, Command24 },
        { 26, Command25 }, { 27, Command26 }, { 32, Command17 }, { 33, Command27 }, { 35, Grid1 },
        { 36, Command2 }, { 37, Check2 }, { 39, Text10 }, { 40, Text5 }, { 42, Combo1 } };
    std::sort(entries.begin(), entries.end(),
        [](const Entry& a, const Entry& b) { return a.index < b.index; });
    for (std::size_t i = 1; i < entries.size(); ++i)
        QWidget::setTabOrder(entries[i - 1].widget, entries[i].widget);
    Progressbarx->setFocusPolicy(Qt::NoFocus);
}

void main1::Form_Load()
{
    Grid1->setTextMatrix(1, 1, QStringLiteral("30"));
    Grid1->setTextMatrix(1, 2, QStringLiteral("30"));
    Grid1->setTextMatrix(1, 3, QStringLiteral("6"));
    Grid1->setTextMatrix(2, 1, QStringLiteral("60"));
    Grid1->setTextMatrix(2, 2, QStringLiteral("60"));
    Grid1->setTextMatrix(2, 3, QStringLiteral("4"));

    // A missing or unreadable information page does not stop the program: the tab says so.
    const QString infoPath
        = resourceFile(m_desktop.programFolder(), QStringLiteral("drawfield.rtf"));
    QFile info(infoPath);
    if (info.open(QIODevice::ReadOnly)) {
        readRtf(info.readAll(), *RichTextBox1->document());
        RichTextBox1->moveCursor(QTextCursor::Start);
    } else
        RichTextBox1->setPlainText(QStringLiteral("The information page %1 could not be read: %2.")
                                       .arg(infoPath, info.errorString()));

    for (const char* size : { "1", "2.5", "5", "10" })
        Combo1->addItem(QLatin1String(size));
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("1"));
}

void main1::resizeEvent(QResizeEvent*)
{
    menuBar->setGeometry(0, 0, width(), menuBarHeight());
    clientArea->setGeometry(0, menuBarHeight(), width(), std::max(0, height() - menuBarHeight()));
    Form_Resize();
}

void main1::Form_Resize()
{
    AppTitle = QStringLiteral("Drawfield 2.0");
    // The window's outer size, borders and caption included, as the layout measures it.
    double width = outerSizeTwips().width();
    double height = outerSizeTwips().height();
    if (!isMinimized() && !isMaximized() && (width < 8000 || height < 5000)) {
        int minimumWidth = twips(8000 - DesignFrameWidthTwips);
        int minimumHeight = twips(5000 - DesignFrameHeightTwips) + menuBarHeight();
        if (this->width() < minimumWidth || this->height() < minimumHeight)
            resize(std::max(this->width(), minimumWidth), std::max(this->height(), minimumHeight));
    }
    width = std::max(width, 8000.0);
    height = std::max(height, 5000.0);

    SSTab1->resize(twips(width - 500), twips(height - 800));
    const double tabWidth = toTwips(SSTab1->width());
    const double tabHeight = toTwips(SSTab1->height());
    Chart3D1->resize(twips(tabWidth - 400), twips(tabHeight - 600));
    Chart3D2->resize(twips(tabWidth - 2200), twips(tabHeight - 800));
    RichTextBox1->resize(twips(tabWidth - 400), twips(tabHeight - 700));
    Picture2->resize(twips(tabWidth - 400), twips(tabHeight - 700));
    optionsArea->resize(twips(tabWidth - 360), twips(tabHeight - 600));
    timeBoundariesArea->resize(twips(tabWidth - 360), twips(tabHeight - 600));
    curvesChart->resize(twips(tabWidth - 400), twips(tabHeight - 600));

    for (int row = 1; row <= 5; ++row)
        Grid1->setTextMatrix(row, 0, QStringLiteral("Bore %1").arg(row));
    Grid1->setTextMatrix(0, 1, QStringLiteral(" X well"));
    Grid1->setTextMatrix(0, 2, QStringLiteral(" Y well"));
    Grid1->setTextMatrix(0, 3, QStringLiteral(" Pumping rate (m3/H)"));
}

PlotSource main1::plotSource() const
{
    return { DrawdownGrid, GridXMax, GridYMax, GridStep, m_overlays };
}

QString main1::recordFilePath() const
{
    return m_desktop.dataFolder() + QStringLiteral("/drawfield.dat");
}

void main1::showStop(const QString& text)
{
    m_desktop.showMessage(this, text, MessageIcon::Critical, AppTitle);
}

void main1::showWarning(const QString& text)
{
    m_desktop.showMessage(this, text, MessageIcon::Warning, AppTitle);
}

void main1::setCommandsEnabled(bool enabled)
{
    // Shortcuts reach their actions before any widget sees the key: the actions themselves are
    // turned off while a task runs.
    for (QAction* action : menuBar->findChildren<QAction*>())
        action->setEnabled(enabled);
    for (QMenu* menu : menuBar->findChildren<QMenu*>())
        menu->setEnabled(enabled);
    if (enabled)
        fillRecentMenu();
}

void main1::Command1_Click()
{
    if (m_running || m_exporting)
        return;
    runFields(RunShows::AsPressed);
}

bool main1::runFields(RunShows shows)
{
    const ScenarioTexts texts = fieldTexts();
    ScenarioReading reading = readScenario(texts);
    for (const std::string& warning : reading.warnings)
        showStop(QString::fromStdString(warning));
    // A refused run changes nothing: the last map, its files and the charts stay.
    for (const std::string& refusal : reading.refusals)
        showStop(QString::fromStdString(refusal));
    if (!reading.accepted())
        return false;
    const ScenarioInputs inputs = reading.inputs;

    // The button gives way to the progress box; input is ignored until the run ends, while the
    // window keeps painting. The computation runs on all cores, off this thread.
    m_running = true;
    setCommandsEnabled(false);
    Progressbarx->setVisible(true);
    Command1->setVisible(false);
    Progressbarx->clear(std::abs(inputs.XMin - inputs.XMax));
    m_stop = std::stop_source();
    EngineOptions options;
    options.stopToken = m_stop.get_token();
    // The map shows where Cooper-Jacob holds, as far as a picture can show it.
    options.validity = true;
    options.validityStride = pictureValidityStride(
        (inputs.XMax - inputs.XMin) / inputs.Step + 1, (inputs.YMax - inputs.YMin) / inputs.Step + 1);
    options.onColumn = [this, xMin = int(inputs.XMin)](int x) {
        QMetaObject::invokeMethod(
            Progressbarx, [this, p = std::abs(x - xMin)] { Progressbarx->drawBox(p); },
            Qt::QueuedConnection);
    };
    std::optional<RunResult> result;
    QString failure;
    QEventLoop loop;
    std::jthread worker([&] {
        try {
            result = computeRun(inputs, options);
        } catch (const std::bad_alloc&) {
            failure = QStringLiteral(
                "Cannot compute the map: the machine ran out of memory. Choose a smaller map.");
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        // Queued after every progress box, so the boxes are all drawn when the loop ends.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    m_running = false;
    setCommandsEnabled(true);

    if (!result) {
        Progressbarx->setVisible(false);
        Command1->setVisible(true);
        if (!failure.isEmpty())
            showStop(failure);
        if (m_closeAfterRun)
            close();
        return false;
    }

    GridXMax = inputs.XMax;
    GridYMax = inputs.YMax;
    GridStep = inputs.Step;
    DrawdownGrid = result->map.grid;
    m_overlays = chartOverlays(inputs, result->map.validity);
    m_lastInputs = inputs;
    m_lastRunTexts = texts;
    m_lastPeak = result->map.largest;
    for (const std::string& message : result->messages) {
        // The thickness exceeded is the classic run's stop; the aquifer dewatered, a warning.
        if (message == messages::AquiferDewatered)
            showWarning(QString::fromStdString(message));
        else
            showStop(QString::fromStdString(message));
    }

    const QString record = recordFilePath();
    try {
        writeRecordFile(QFile::encodeName(record).toStdString(), *DrawdownGrid,
            Check1->isChecked() ? RecordLines::DrawdownNodes : RecordLines::None);
    } catch (const FileWriteError& error) {
        showStop(QString::fromLocal8Bit(error.what()));
    }
    const bool pressed = shows == RunShows::AsPressed;
    if (pressed && (Check1->isChecked() || Check2->isChecked()))
        m_desktop.openTextFile(record);
    Progressbarx->setVisible(false);
    Command1->setVisible(true);

    PlotMap(*Chart3D1, plotSource());
    if (pressed)
        SSTab1->setCurrentIndex(1);
    Plot3D(*Chart3D2, plotSource());
    curvesChart->setData(curvesData(inputs, std::move(result->curves), std::move(result->profile)));
    if (pressed && Check2->isChecked())
        SURFER_Export(record);
    if (m_closeAfterRun) {
        close();
        return false;
    }
    return true;
}

bool main1::runIfFieldsChanged()
{
    if (DrawdownGrid && m_lastInputs && m_lastRunTexts == fieldTexts())
        return true;
    return runFields(RunShows::Quietly);
}

void main1::runWithExportPanel(const QString& title, const BackgroundTask& task)
{
    m_exporting = true;
    setCommandsEnabled(false);
    exportPanel->setTitle(title);
    m_exportStop = std::stop_source();
    exportPanel->setProgress(0.0, QString());
    exportPanel->adjustSize();
    exportPanel->resize(std::max(exportPanel->width(), width() / 2), exportPanel->height());
    exportPanel->move((width() - exportPanel->width()) / 2, (height() - exportPanel->height()) / 2);
    exportPanel->show();
    exportPanel->raise();

    InputGate gate(exportPanel->stopButton(), [this] { m_exportStop.request_stop(); });
    qApp->installEventFilter(&gate);
    auto progress = [this](double fraction, const QString& activity) {
        QMetaObject::invokeMethod(
            exportPanel,
            [this, fraction, activity] { exportPanel->setProgress(fraction, activity); },
            Qt::QueuedConnection);
    };
    QEventLoop loop;
    std::unique_ptr<QThread> worker(
        QThread::create([&, stop = m_exportStop.get_token()] { task(stop, progress); }));
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    qApp->removeEventFilter(&gate);
    exportPanel->hide();
    m_exporting = false;
    setCommandsEnabled(true);
}

void main1::SURFER_Export(const QString& Surfer_fichier)
{
    std::unique_ptr<AutomationClient> client = m_automation();
    ExportOutcome outcome;
    // The client lives and dies in the export's thread, where its calls wait.
    runWithExportPanel(QStringLiteral("Exporting to the mapping program"),
        [&](std::stop_token stop, const ExportProgress& progress) {
            ExportControl control;
            control.stop = stop;
            control.progress = progress;
            try {
                outcome = drawfield::SURFER_Export(*client, Surfer_fichier, control);
            } catch (const std::exception& error) {
                outcome = { ExportOutcome::End::Lost, QString::fromLocal8Bit(error.what()) };
            }
            client.reset();
        });

    // The mapping program missing is said once; its later refusals stay silent. A stopped
    // export is said as what it is, not as an error; a failed one says why.
    const QString message = exportMessage(outcome, Surfer_fichier);
    if (message.isEmpty())
        return;
    if (outcome.end == ExportOutcome::End::Stopped)
        m_desktop.showMessage(this, message, MessageIcon::Information, AppTitle);
    else
        showStop(message);
}

void main1::Command17_Click() { Plot3D(*Chart3D2, plotSource()); }

void main1::Command2_Click() { savePlot(*Chart3D1, QStringLiteral("my_map.wmf")); }

void main1::Command27_Click() { savePlot(*Chart3D2, QStringLiteral("my_Plot3D.wmf")); }

std::optional<QString> main1::askFileToWrite(const QString& title, const QString& filter,
    const QString& initialPath, const QString& suffix,
    const std::function<QStringList(const QString&)>& setOf)
{
    std::optional<QString> chosen = m_desktop.askSaveFileName(this, title, filter, initialPath);
    if (!chosen)
        return std::nullopt;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty() && !suffix.isEmpty())
        path += QLatin1Char('.') + suffix;
    // Every desktop program asks before it replaces a file, or a file of the set it writes.
    QStringList existing;
    for (const QString& file : setOf ? setOf(path) : QStringList { path })
        if (QFileInfo(file).exists() || QFileInfo(file).isSymLink())
            existing << file;
    if (!existing.isEmpty() && !m_desktop.askToReplace(this, existing))
        return std::nullopt;
    return path;
}

void main1::showRecorded(const QString& path)
{
    m_desktop.showMessage(
        this, path + QStringLiteral(" has been recorded"), MessageIcon::Information, AppTitle);
}

void main1::savePlot(Chart3D& chart, const QString& defaultName)
{
    const QString dataFolder = m_desktop.dataFolder();
    QDir().mkpath(dataFolder);
    std::optional<QString> chosen = askFileToWrite(QStringLiteral("Select a Windows Meta File name"),
        QStringLiteral(" *.WMF"), dataFolder + QLatin1Char('/') + defaultName, QString());
    if (!chosen)
        return; // cancelled: nothing saved, nothing said
    QString error
        = chart.writePictureFile(QFile::encodeName(*chosen).toStdString(), PictureFormat::Wmf);
    if (error.isEmpty())
        showRecorded(*chosen);
    else
        showStop(error);
}

void main1::exportGisFile(GisFile kind)
{
    const bool geoTiff = kind == GisFile::GeoTiff;
    std::optional<QString> chosen = askFileToWrite(
        geoTiff ? QStringLiteral("Save the drawdown as a GeoTIFF")
                : QStringLiteral("Save the contours for GIS"),
        geoTiff ? QStringLiteral("GeoTIFF (*.tif)")
                : QStringLiteral("GeoPackage (*.gpkg);;GeoJSON (*.geojson);;Shapefile (*.shp)"),
        m_desktop.dataFolder()
            + (geoTiff ? QStringLiteral("/drawdown.tif") : QStringLiteral("/contours.gpkg")),
        geoTiff ? QStringLiteral("tif") : QStringLiteral("gpkg"),
        [geoTiff](const QString& path) {
            if (geoTiff)
                return QStringList { path };
            QStringList files;
            for (const std::filesystem::path& file :
                contourFilesOf(QFile::encodeName(path).toStdString()))
                files << QFile::decodeName(QByteArray::fromStdString(file.native()));
            return files;
        });
    if (!chosen)
        return;
    // The export is of the fields as they are now.
    if (!runIfFieldsChanged())
        return;
    const QString path = *chosen;
    const std::filesystem::path file = QFile::encodeName(path).toStdString();
    const ScenarioInputs inputs = *m_lastInputs;
    if (const std::string problem = georeferenceProblem(
            inputs.Place, inputs.XMin, inputs.YMin, inputs.XMax, inputs.YMax);
        !problem.empty()) {
        showStop(QString::fromLocal8Bit(cannotMessage("write",
            geoTiff ? "GeoTIFF file" : "contour file", file.native(), problem)));
        return;
    }
    // Off the interface thread, with the export's panel: a large map takes seconds.
    QString error;
    std::vector<std::string> notes;
    const std::shared_ptr<const drawfield::DrawdownGrid> grid = DrawdownGrid;
    const std::vector<double> levels = geoTiff ? std::vector<double>() : mapLevels(grid);
    runWithExportPanel(QStringLiteral("Exporting for GIS"),
        [&](std::stop_token stop, const ExportProgress& progress) {
            const QString activity = geoTiff ? QStringLiteral("Writing the GeoTIFF")
                                             : QStringLiteral("Tracing the contours");
            const GisProgress report = [&](double fraction) {
                progress(fraction, activity);
                return !stop.stop_requested();
            };
            try {
                if (geoTiff)
                    writeGeoTiff(file, *grid, inputs.Place, report);
                else
                    notes = writeContours(
                        file, *grid, levels, gisFeaturesOf(inputs), inputs.Place, report);
            } catch (const std::exception& failure) {
                error = QString::fromLocal8Bit(failure.what());
            }
        });
    if (m_closeAfterRun) {
        close();
        return;
    }
    if (m_exportStop.stop_requested() && !error.isEmpty()) {
        m_desktop.showMessage(this,
            QStringLiteral("The export was stopped: %1 was not written, and what was there "
                           "before is kept.")
                .arg(path),
            MessageIcon::Information, AppTitle);
        return;
    }
    if (!error.isEmpty()) {
        showStop(error);
        return;
    }
    for (const std::string& note : notes)
        showWarning(QString::fromLocal8Bit(note));
    showRecorded(path);
}

void main1::exportReport()
{
    const QString fileName = m_scenarioPath.isEmpty()
        ? QStringLiteral("report.pdf")
        : QFileInfo(m_scenarioPath).completeBaseName() + QStringLiteral(".pdf");
    std::optional<QString> chosen = askFileToWrite(QStringLiteral("Save the report"),
        QStringLiteral("PDF (*.pdf)"), m_desktop.dataFolder() + QLatin1Char('/') + fileName,
        QStringLiteral("pdf"));
    if (!chosen)
        return;
    // The report is of the fields as they are now, under the name they are saved to.
    if (!runIfFieldsChanged())
        return;
    const QString path = *chosen;

    const QString name = m_scenarioPath.isEmpty() ? QStringLiteral("not saved to a file")
                                                   : QFileInfo(m_scenarioPath).fileName()
            + (hasUnsavedChanges() ? QStringLiteral(" (with changes not saved)") : QString());
    const ReportContent content = reportContentOf(*m_lastInputs, DrawdownGrid, m_lastPeak,
        m_overlays, curvesChart->data(), name, Chart3D2->viewAngles());
    const QString error = writeReport(QFile::encodeName(path).toStdString(), content);
    if (error.isEmpty())
        showRecorded(path);
    else
        showStop(error);
}

void main1::saveCurvesPicture()
{
    const QString dataFolder = m_desktop.dataFolder();
    QDir().mkpath(dataFolder);
    std::optional<QString> chosen = askFileToWrite(QStringLiteral("Save the curves as a picture"),
        QStringLiteral("Pictures (*.wmf *.svg *.pdf *.png)"),
        dataFolder + QStringLiteral("/my_curves.wmf"), QStringLiteral("wmf"));
    if (!chosen)
        return;
    const std::filesystem::path path = QFile::encodeName(*chosen).toStdString();
    const std::optional<PictureFormat> format = pictureFormatOf(path);
    const QString error = format
        ? curvesChart->writePictureFile(path, *format)
        : pictureError(path, QStringLiteral("the name must end in .wmf, .svg, .pdf or .png"));
    if (error.isEmpty())
        showRecorded(*chosen);
    else
        showStop(error);
}

void main1::Text10_MouseDown()
{
    if (!m_desktop.openWebAddress(this, WebAddress))
        m_desktop.showMessage(
            this, QStringLiteral("Unable to launch Explorer"), MessageIcon::None, std::nullopt);
}

void main1::closeEvent(QCloseEvent* event)
{
    // Unsaved changes are settled once, before a run or an export is asked to end.
    if (!m_closeConfirmed && !settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    m_closeConfirmed = true;
    // Closing during a run or an export ends it first; the window closes when it has.
    if (m_running || m_exporting) {
        m_closeAfterRun = true;
        m_stop.request_stop();
        m_exportStop.request_stop();
        event->ignore();
        return;
    }
    event->accept();
}

bool main1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Text10 && event->type() == QEvent::MouseButtonPress) {
        Text10_MouseDown();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);

    const QString* allowed = nullptr;
    // Transmissivity also takes "." and "-" (0.005, 5E-3), storage and thickness "." (0.01 %):
    // without them a decimal turned into another number as it was typed.
    if (watched == Text5)
        allowed = &Transmissivity;
    else if (watched == Combo1->lineEdit())
        allowed = &DigitsAndE;
    else if (watched == Text7 || watched == Text6 || watched == Text8)
        allowed = &PointAndDigits;
    else if (watched == Text2 || watched == Text13)
        allowed = &Digits;
    if (allowed == nullptr)
        return QWidget::eventFilter(watched, event);

    // Only typed characters are filtered: arrows, Home, End, Delete and Tab are no characters.
    auto* key = static_cast<QKeyEvent*>(event);
    QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab
        || key->key() == Qt::Key_Backtab)
        return false;
    for (QChar c : text) {
        int code = c.unicode() <= 255 ? c.unicode() : -1;
        if (Module1::FilterKey(static_cast<std::int16_t>(code), *allowed, -1, m_desktop) == 0)
            return true; // cancelled
    }
    return false;
}

} // namespace drawfield
