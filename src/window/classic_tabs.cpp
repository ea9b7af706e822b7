// The window's classic tabs, "Data Input", "Map", "3D View" and "Infos", and the tabs that follow
// them: their controls, the places the window was designed with (twips, from the top left of
// each control's container), the tab order, the start-up contents and how they follow the
// window's size.

#include "window/main1.h"
#include "window/time_bar.h"

#include "platform/program_folders.h"
#include "scenario/unit_conversion.h"
#include "views/chart3d.h"
#include "views/curves_chart.h"
#include "window/boundaries_tab.h"
#include "window/controls.h"
#include "window/desktop.h"
#include "window/module1.h"
#include "window/options_tab.h"
#include "window/pumping_test_tab.h"
#include "window/rtf_reader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabBar>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <span>

namespace drawfield {
namespace {

    struct Placement {
        const char* name;
        int left, top, width, height;
    };

    constexpr Placement DataInputPlaces[]
        = { { "Text1", 240, 480, 855, 375 }, { "Text2", 3360, 480, 735, 375 },
              { "Text4", 3360, 3000, 735, 375 }, { "Picture1", 240, 840, 3135, 2535 },
              { "Progressbarx", 4680, 480, 4335, 375 }, { "Command1", 4680, 480, 4335, 375 },
              { "Text10", 3840, 1080, 1215, 300 }, { "Combo1", 3600, 1560, 855, 315 },
              { "Label5", 4440, 1560, 735, 375 }, { "Check1", 3600, 2040, 1215, 255 },
              { "Check2", 3600, 2400, 1455, 255 }, { "Frame1", 5160, 1080, 3855, 2535 },
              { "Text5", 240, 360, 975, 405 }, { "Label1", 1320, 480, 1935, 255 },
              { "Text6", 240, 840, 975, 375 }, { "Label2", 1320, 960, 2295, 255 },
              { "Text7", 240, 1320, 975, 375 }, { "Label3", 1320, 1440, 2175, 255 },
              { "Text8", 240, 1800, 975, 405 }, { "Label4", 1440, 1920, 2175, 255 },
              { "Frame2", 240, 3720, 8775, 2415 }, { "Grid1", 360, 430, 8055, 1695 } };

    constexpr Placement MapPlaces[]
        = { { "Chart3D1", 240, 480, 3855, 2055 }, { "Command2", 240, 480, 2175, 315 } };

    constexpr Placement View3DPlaces[]
        = { { "Command17", 240, 600, 1695, 375 }, { "Command27", 240, 1200, 1695, 375 },
              { "Label18", 240, 1800, 1530, 990 }, { "Frame3", 120, 3120, 1695, 1890 },
              { "Command25", 120, 360, 495, 255 }, { "Label10", 720, 360, 375, 255 },
              { "Command26", 960, 360, 615, 255 }, { "Command21", 120, 720, 495, 255 },
              { "Label8", 720, 720, 255, 255 }, { "Command22", 960, 720, 615, 255 },
              { "Command23", 120, 1080, 495, 255 }, { "Label9", 720, 1080, 255, 255 },
              { "Command24", 960, 1080, 615, 255 }, { "Text13", 90, 1440, 495, 285 },
              { "Label7", 660, 1440, 975, 255 }, { "Chart3D2", 2040, 480, 6735, 5055 } };

    constexpr Placement InfosPlaces[]
        = { { "RichTextBox1", 120, 480, 4095, 2055 }, { "Picture2", 120, 480, 3135, 1575 } };

    constexpr Placement CurvesPlaces[]
        = { { "CurvesChart", 240, 480, 3855, 2055 }, { "SaveCurves", 240, 480, 2175, 315 } };

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

    template <class Control> void makeNamed(Control*& member, QWidget* parent, const char* name)
    {
        member = new Control(parent);
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

    // Places the controls of a tab (found by name, inside their frames too) as designed.
    void placeControls(const main1& window, QWidget* tab, std::span<const Placement> places)
    {
        for (const Placement& place : places) {
            auto* control = tab->findChild<QWidget*>(QLatin1String(place.name));
            Q_ASSERT(control != nullptr);
            control->setGeometry(window.twips(place.left), window.twips(place.top),
                window.twips(place.width), window.twips(place.height));
        }
    }

} // namespace

QFont sansSerif(double points, bool bold)
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
        QStringLiteral("DejaVu Sans") });
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

int main1::twips(double value) const
{
    return static_cast<int>(std::lround(value * logicalDpiX() / 1440.0));
}

double main1::toTwips(int pixels) const { return pixels * 1440.0 / logicalDpiX(); }

int main1::menuBarHeight() const { return menuBar->sizeHint().height(); }

QSizeF main1::outerSizeTwips() const
{
    // The client area below the menu bar is the window the layout was drawn for.
    return { toTwips(width()) + DesignFrameWidthTwips,
        toTwips(height() - menuBarHeight()) + DesignFrameHeightTwips };
}

void main1::buildTabs()
{
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
    pumpingTest = new PumpingTestTab;
    pumpingTestArea = scrolled(SSTab1->addTab(QStringLiteral("Pumping test")), pumpingTest);
    connect(pumpingTest, &PumpingTestTab::fitRequested, this, &main1::fitMeasuredDrawdowns);
    connect(pumpingTest, &PumpingTestTab::useRequested, this, &main1::useFittedValues);
    connect(
        pumpingTest, &PumpingTestTab::useElsewhereRequested, this, &main1::useFitInAnotherScenario);
    connect(pumpingTest, &PumpingTestTab::fileRequested, this, &main1::chooseMeasuredFile);
    connect(pumpingTest, &PumpingTestTab::pictureRequested, this, &main1::saveFitPicture);
    connect(options, &OptionsTab::methodChanged, pumpingTest, [this] {
        const WellMethod method
            = methodOfText(options->methodText().toStdString()).value_or(WellMethod::CooperJacob);
        pumpingTest->setMethod(method);
        timeBoundaries->setMethod(method);
    });
    // Other units: every value is shown in them, the same quantity as before.
    connect(options, &OptionsTab::unitsChanged, this, [this](const UnitTexts& from) {
        ScenarioTexts texts = fieldTexts();
        const UnitTexts to = texts.units;
        texts.units = from;
        showFieldTexts(convertedTexts(texts, to));
        m_desktop.setRememberedUnits(to.isEmpty()
                ? QStringList()
                : QStringList { QString::fromStdString(to.length),
                    QString::fromStdString(to.transmissivity), QString::fromStdString(to.storage),
                    QString::fromStdString(to.time), QString::fromStdString(to.rate) });
    });
    for (auto [field, quantity] : { std::pair { Text5, Quantity::Transmissivity },
             { Text6, Quantity::Storage }, { Text7, Quantity::Time }, { Text8, Quantity::Length } })
        connect(field, &QLineEdit::editingFinished, this,
            [this, field = field, quantity = quantity] { convertTypedUnit(field, quantity); });
    SSTab1->setCurrentIndex(0);
}

void main1::showUnitLabels()
{
    const UnitTexts units = options->unitTexts();
    auto unitOf = [&](const char* usual, Quantity quantity) {
        const std::string& chosen = unitText(units, quantity);
        return chosen.empty() ? QString::fromUtf8(usual) : QString::fromStdString(chosen);
    };
    Label1->setText(
        QStringLiteral("Transmissivity (%1)").arg(unitOf("m2/s", Quantity::Transmissivity)));
    Label2->setText(
        QStringLiteral("S Coefficient of storage (%1)").arg(unitOf("%", Quantity::Storage)));
    Label3->setText(QStringLiteral("Pumping time (%1)").arg(unitOf("hours", Quantity::Time)));
    Label4->setText(QStringLiteral("Aquifer thickness (%1)").arg(unitOf("m", Quantity::Length)));
    Frame2->setTitle(QStringLiteral("Pumping rate (%1) and location (%2)")
                         .arg(unitOf("m3/h", Quantity::Rate), unitOf("m", Quantity::Length)));
    Grid1->setTextMatrix(
        0, 3, QStringLiteral(" Pumping rate (%1)").arg(unitOf("m3/H", Quantity::Rate)));
    timeBoundaries->showUnits(units);
    for (QLabel* frameLabel : { Label1, Label2, Label3, Label4 })
        frameLabel->setFont(sansSerif(9.75));
    fitCaptions({ Label1, Label2, Label3, Label4 });
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
    Text1->setToolTip(QStringLiteral("X minimum in meters"));
    Text1->setEnabled(false);
    makeControl(Text2, tab, "Text2", QStringLiteral("100"));
    Text2->setToolTip(QStringLiteral("X and Y maximum in meters"));
    makeControl(Text4, tab, "Text4", QStringLiteral("1"));
    Text4->setToolTip(QStringLiteral("Y minimum in meters"));
    Text4->setEnabled(false);
    makeNamed(Picture1, tab, "Picture1");

    // The progress box lies behind the button: it shows only while the button is hidden.
    makeNamed(Progressbarx, tab, "Progressbarx");
    makeControl(Command1, tab, "Command1", QStringLiteral("GO Compute !"));
    Command1->setFont(sansSerif(9.75, true));
    Command1->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(255, 0, 0); border: 2px outset rgb(200, 0, 0); }"
        "QPushButton:pressed { border-style: inset; }"));
    connect(Command1, &QPushButton::clicked, this, &main1::Command1_Click);

    makeControl(Text10, tab, "Text10", QStringLiteral("Karsto Link"));
    Text10->setToolTip(QStringLiteral("Lauch Explorer"));
    Text10->setFrame(false);
    Text10->setFont(narrowBold(12));
    Text10->setCursor(Qt::ArrowCursor);
    QPalette linkPalette = Text10->palette();
    linkPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
    Text10->setPalette(linkPalette);
    Text10->installEventFilter(this);

    makeNamed(Combo1, tab, "Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("1"));
    Combo1->setEnabled(false);
    Combo1->lineEdit()->installEventFilter(this);
    makeControl(Label5, tab, "Label5", QStringLiteral("Cell size"));
    makeControl(Check1, tab, "Check1", QStringLiteral("Record XYZ"));
    Check1->setToolTip(QStringLiteral("If checked, a text file with X,Y,Z will be recorded"));
    makeControl(Check2, tab, "Check2", QStringLiteral("SURFER Grid"));

    makeControl(Frame1, tab, "Frame1", QStringLiteral("Hydraulic parameters"));
    makeControl(Text5, Frame1, "Text5", QStringLiteral("0.003"));
    makeControl(Label1, Frame1, "Label1", QStringLiteral("Transmissivity (m2/s)"));
    makeControl(Text6, Frame1, "Text6", QStringLiteral("4"));
    makeControl(Label2, Frame1, "Label2", QStringLiteral("S Coefficient of storage (%)"));
    makeControl(Text7, Frame1, "Text7", QStringLiteral("24"));
    makeControl(Label3, Frame1, "Label3", QStringLiteral("Pumping time (hours)"));
    makeControl(Text8, Frame1, "Text8", QStringLiteral("20"));
    makeControl(Label4, Frame1, "Label4", QStringLiteral("Aquifer thickness (m)"));
    for (QLabel* frameLabel : { Label1, Label2, Label3, Label4 })
        frameLabel->setFont(sansSerif(9.75));

    makeControl(Frame2, tab, "Frame2", QStringLiteral("Pumping rate (m3/h) and location (m)"));
    Frame2->setFont(sansSerif(9.75));
    Grid1 = new FlexGrid(6, 4, twips(270), twips(2000), Frame2);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setFont(sansSerif(8.25));
    Grid1->keyFilter = [this](QChar c, const QString& before) {
        // After a number, a place or a rate may be typed with its unit word (30 m, 6 m3/d): a
        // letter is never dropped to leave digits that make another number (6 m3/d read as 63).
        if (isUnitCharacter(c) && before.contains(QRegularExpression(QStringLiteral("[0-9]"))))
            return true;
        int code = c.unicode() <= 255 ? c.unicode() : -1;
        return Module1::FilterKey(
                   static_cast<std::int16_t>(code), QStringLiteral(".0123456789"), -1, m_desktop)
            != 0;
    };
    placeControls(*this, tab, DataInputPlaces);
    Command1->raise();
    fitCaptions({ Label1, Label2, Label3, Label4 });
    fitCaptions({ Label5 });
    fitCaptions({ Check1, Check2 });

    for (QLineEdit* field : { Text2, Text5, Text6, Text7, Text8 })
        field->installEventFilter(this);
}

void main1::buildMapTab(QWidget* tab)
{
    Chart3D1 = new Chart3D(Chart3D::Presentation::ContourMap, tab);
    Chart3D1->setObjectName(QStringLiteral("Chart3D1"));
    Chart3D1->hide();
    makeControl(Command2, tab, "Command2", QStringLiteral("Save WMF"));
    placeControls(*this, tab, MapPlaces);
    Command2->raise();
    connect(Command2, &QPushButton::clicked, this, &main1::Command2_Click);
}

void main1::buildCurvesTab(QWidget* tab)
{
    curvesChart = new CurvesChart(tab);
    makeControl(saveCurves, tab, "SaveCurves", QStringLiteral("Save picture"));
    placeControls(*this, tab, CurvesPlaces);
    saveCurves->raise();
    connect(saveCurves, &QPushButton::clicked, this, &main1::saveCurvesPicture);
}

void main1::build3DViewTab(QWidget* tab)
{
    makeControl(Command17, tab, "Command17", QStringLiteral("Refresh"));
    makeControl(Command27, tab, "Command27", QStringLiteral("Save plot as WMF"));
    makeControl(Label18, tab, "Label18",
        QStringLiteral(
            "Press the 2 buttons of the mouse to rotate the plot or use the ROTATION buttons"));
    Label18->setWordWrap(true);
    Label18->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    makeControl(Frame3, tab, "Frame3", QStringLiteral("Rotation"));
    makeControl(Command25, Frame3, "Command25", QStringLiteral("<<"));
    makeControl(Label10, Frame3, "Label10", QStringLiteral("Z"));
    makeControl(Command26, Frame3, "Command26", QStringLiteral(">>"));
    makeControl(Command21, Frame3, "Command21", QStringLiteral("<<"));
    makeControl(Label8, Frame3, "Label8", QStringLiteral("Y"));
    makeControl(Command22, Frame3, "Command22", QStringLiteral(">>"));
    makeControl(Command23, Frame3, "Command23", QStringLiteral("<<"));
    makeControl(Label9, Frame3, "Label9", QStringLiteral("X"));
    makeControl(Command24, Frame3, "Command24", QStringLiteral(">>"));
    makeControl(Text13, Frame3, "Text13", QStringLiteral("20"));
    Text13->installEventFilter(this);
    makeControl(Label7, Frame3, "Label7", QStringLiteral("Degree step"));

    Chart3D2 = new Chart3D(Chart3D::Presentation::Surface, tab);
    Chart3D2->setObjectName(QStringLiteral("Chart3D2"));
    Chart3D2->hide();
    placeControls(*this, tab, View3DPlaces);

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
    makeNamed(RichTextBox1, tab, "RichTextBox1");
    RichTextBox1->setPlainText(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    makeNamed(Picture2, tab, "Picture2");
    placeControls(*this, tab, InfosPlaces);
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
    // The start-up scenario comes from one place: the example the program has always opened
    // with, as resources/example.ini holds it too; in the units chosen last, where there are.
    ScenarioTexts start = ScenarioTexts::example();
    if (const QStringList words = m_desktop.rememberedUnits(); words.size() == 5) {
        const UnitTexts units { words[0].toStdString(), words[1].toStdString(),
            words[2].toStdString(), words[3].toStdString(), words[4].toStdString() };
        bool known = true;
        for (Quantity quantity : UnitQuantities)
            known = known && (unitText(units, quantity).empty() || defaultUnit(units, quantity));
        if (known)
            start = convertedTexts(start, units);
    }
    setFieldTexts(start);
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
    // What follows the tab's size, and the margins it leaves, twips.
    const struct {
        QWidget* control;
        int widthMargin, heightMargin;
    } following[] = { { Chart3D1, 400, 600 }, { Chart3D2, 2200, 800 }, { RichTextBox1, 400, 700 },
        { Picture2, 400, 700 }, { optionsArea, 360, 600 }, { timeBoundariesArea, 360, 600 },
        { pumpingTestArea, 360, 600 }, { curvesChart, 400, 600 } };
    for (const auto& [control, widthMargin, heightMargin] : following)
        control->resize(twips(tabWidth - widthMargin), twips(tabHeight - heightMargin));
    // The time bar, when shown, takes its height from under the map and the surface.
    if (timeBar != nullptr) {
        if (timeSliderAction->isChecked())
            for (Chart3D* chart : { Chart3D1, Chart3D2 })
                chart->resize(chart->width(), chart->height() - timeBar->sizeHint().height());
        placeTimeBar();
    }

    for (int row = 1; row <= 5; ++row)
        Grid1->setTextMatrix(row, 0, QStringLiteral("Bore %1").arg(row));
    Grid1->setTextMatrix(0, 1, QStringLiteral(" X well"));
    Grid1->setTextMatrix(0, 2, QStringLiteral(" Y well"));
    Grid1->setTextMatrix(0, 3, QStringLiteral(" Pumping rate (m3/H)"));
}

} // namespace drawfield
