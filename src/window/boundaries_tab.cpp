#include "window/boundaries_tab.h"
#include "scenario/scenario.h"

#include "window/controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace drawfield {
namespace {

    QLineEdit* coordinate(QWidget* parent, const QString& name, const QString& tip)
    {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(name);
        edit->setToolTip(tip);
        edit->setMaximumWidth(52);
        return edit;
    }

    QLabel* note(const QString& text, QWidget* parent)
    {
        auto* label = new QLabel(text, parent);
        label->setWordWrap(true);
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 0.95);
        label->setFont(font);
        return label;
    }

    std::string textOf(const QLineEdit* edit) { return edit->text().toStdString(); }

    std::string cellText(const QTableWidget* table, int row, int column)
    {
        const QTableWidgetItem* item = table->item(row, column);
        return item ? item->text().toStdString() : std::string();
    }

} // namespace

TimeBoundariesTab::TimeBoundariesTab(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TimeBoundariesTab"));

    auto* scheduleBox = new QGroupBox(QStringLiteral("Pumping schedules"), this);
    auto* scheduleLayout = new QGridLayout(scheduleBox);
    scheduleLayout->setVerticalSpacing(3);
    m_radiusHead = new QLabel(QStringLiteral("Radius (m)"), scheduleBox);
    scheduleLayout->addWidget(new QLabel(QStringLiteral("Bore"), scheduleBox), 0, 0);
    scheduleLayout->addWidget(new QLabel(QStringLiteral("Rate changes"), scheduleBox), 0, 1);
    scheduleLayout->addWidget(m_radiusHead, 0, 2);
    m_availableHead = new QLabel(QStringLiteral("Available (m)"), scheduleBox);
    m_availableHead->setToolTip(QStringLiteral(
        "The water column above the pump intake or the top of the screen: the bore runs dry "
        "when its drawdown reaches it"));
    scheduleLayout->addWidget(m_availableHead, 0, 3);
    for (int i = 0; i < WellCount; ++i) {
        auto* edit = new QLineEdit(scheduleBox);
        edit->setObjectName(QStringLiteral("Schedule%1").arg(i + 1));
        edit->setPlaceholderText(i == 0 ? QStringLiteral("e.g. 12:0, 30:3") : QString());
        edit->setToolTip(
            QStringLiteral("Rate changes of bore %1: hour:rate pairs, m3/h").arg(i + 1));
        auto* radius = coordinate(scheduleBox, QStringLiteral("Radius%1").arg(i + 1),
            QStringLiteral("The radius of bore %1, m: the report gives the drawdown in the bore "
                           "there")
                .arg(i + 1));
        radius->setPlaceholderText(QStringLiteral("0.1"));
        auto* name = new QLineEdit(scheduleBox);
        name->setObjectName(QStringLiteral("BoreName%1").arg(i + 1));
        name->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("PW-1 River")));
        name->setPlaceholderText(QStringLiteral("Bore %1").arg(i + 1));
        name->setToolTip(
            QStringLiteral("The name of bore %1, shown on the map, the curves and the report")
                .arg(i + 1));
        auto* water = coordinate(scheduleBox, QStringLiteral("Available%1").arg(i + 1),
            QStringLiteral("The available drawdown of bore %1: the run says whether and when it "
                           "runs dry")
                .arg(i + 1));
        scheduleLayout->addWidget(name, i + 1, 0);
        scheduleLayout->addWidget(edit, i + 1, 1);
        scheduleLayout->addWidget(radius, i + 1, 2);
        scheduleLayout->addWidget(water, i + 1, 3);
        names[static_cast<std::size_t>(i)] = name;
        schedules[static_cast<std::size_t>(i)] = edit;
        radii[static_cast<std::size_t>(i)] = radius;
        available[static_cast<std::size_t>(i)] = water;
    }
    // The well functions' own parameters of a bore, a column each, as their tables say them.
    auto text = [](std::string_view view) {
        return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
    };
    for (const WellParameter* parameter : parametersOfScope(ParameterScope::Bore)) {
        const int column = 4 + static_cast<int>(boreParameters.size());
        auto* heading = new QLabel(parameter->unit.empty()
                ? text(parameter->symbol)
                : QStringLiteral("%1 (%2)").arg(text(parameter->symbol), text(parameter->unit)),
            scheduleBox);
        scheduleLayout->addWidget(heading, 0, column);
        m_boreParameterLabels.push_back(heading);
        std::array<QLineEdit*, WellCount> fields {};
        for (int i = 0; i < WellCount; ++i) {
            fields[static_cast<std::size_t>(i)] = coordinate(scheduleBox,
                QStringLiteral("Bore%1_%2").arg(i + 1).arg(text(parameter->key)),
                text(parameter->label) + QStringLiteral(": ") + text(parameter->help));
            scheduleLayout->addWidget(fields[static_cast<std::size_t>(i)], i + 1, column);
        }
        boreParameters.emplace_back(parameter, fields);
    }
    setMethod(WellMethod::CooperJacob);
    m_scheduleNote = note(QStringLiteral("From each hour (since pumping began) the bore pumps "
                                         "that rate, m3/h; 0 stops it and the water recovers."),
        scheduleBox);
    scheduleLayout->addWidget(
        m_scheduleNote, WellCount + 1, 0, 1, 4 + static_cast<int>(boreParameters.size()));

    auto* boundaryBox = new QGroupBox(QStringLiteral("Straight boundaries"), this);
    auto* boundaryLayout = new QGridLayout(boundaryBox);
    boundaryLayout->setVerticalSpacing(3);
    const QString heads[] = { QStringLiteral("X1"), QStringLiteral("Y1"), QStringLiteral("X2"),
        QStringLiteral("Y2") };
    for (int c = 0; c < 4; ++c)
        boundaryLayout->addWidget(new QLabel(heads[c], boundaryBox), 0, c + 1, Qt::AlignHCenter);
    for (int b = 0; b < BoundaryCount; ++b) {
        BoundaryRow& row = boundaries[static_cast<std::size_t>(b)];
        row.kind = new QComboBox(boundaryBox);
        row.kind->setObjectName(QStringLiteral("BoundaryKind%1").arg(b + 1));
        // "None", then the kinds in their order: an item's index is one more than its kind's.
        row.kind->addItem(QStringLiteral("None"));
        for (BoundaryKind kind : BoundaryKinds)
            row.kind->addItem(QLatin1String(boundaryKindLabel(kind)));
        row.kind->setToolTip(QStringLiteral("Barrier: no flow across (a wall, a fault). "
                                            "Recharge: the level held (a river, a lake)."));
        const QString prefix = QStringLiteral("Boundary%1").arg(b + 1);
        row.x1 = coordinate(boundaryBox, prefix + QStringLiteral("X1"), QStringLiteral("m"));
        row.y1 = coordinate(boundaryBox, prefix + QStringLiteral("Y1"), QStringLiteral("m"));
        row.x2 = coordinate(boundaryBox, prefix + QStringLiteral("X2"), QStringLiteral("m"));
        row.y2 = coordinate(boundaryBox, prefix + QStringLiteral("Y2"), QStringLiteral("m"));
        boundaryLayout->addWidget(row.kind, b + 1, 0);
        int c = 1;
        for (QLineEdit* edit : { row.x1, row.y1, row.x2, row.y2 }) {
            boundaryLayout->addWidget(edit, b + 1, c++);
            edit->setEnabled(false);
        }
        // A line's points count only with a kind: greyed under "None", they are not the
        // scenario's, and nothing shows what a save would not keep.
        connect(row.kind, &QComboBox::currentIndexChanged, this, [row](int kind) {
            for (QLineEdit* edit : { row.x1, row.y1, row.x2, row.y2 })
                edit->setEnabled(kind != 0);
        });
    }
    boundaryLayout->addWidget(note(QStringLiteral("Lines through two points, m. The aquifer is "
                                                  "the side where bore 1 stands; two lines must "
                                                  "be perpendicular."),
                                  boundaryBox),
        BoundaryCount + 1, 0, 1, 5);

    auto* profileBox = new QGroupBox(QStringLiteral("Profile at the pumping time"), this);
    auto* profileLayout = new QHBoxLayout(profileBox);
    profileX1 = coordinate(profileBox, QStringLiteral("ProfileX1"), QStringLiteral("m"));
    profileY1 = coordinate(profileBox, QStringLiteral("ProfileY1"), QStringLiteral("m"));
    profileX2 = coordinate(profileBox, QStringLiteral("ProfileX2"), QStringLiteral("m"));
    profileY2 = coordinate(profileBox, QStringLiteral("ProfileY2"), QStringLiteral("m"));
    profileLayout->addWidget(new QLabel(QStringLiteral("From X"), profileBox));
    profileLayout->addWidget(profileX1);
    profileLayout->addWidget(new QLabel(QStringLiteral("Y"), profileBox));
    profileLayout->addWidget(profileY1);
    profileLayout->addWidget(new QLabel(QStringLiteral("to X"), profileBox));
    profileLayout->addWidget(profileX2);
    profileLayout->addWidget(new QLabel(QStringLiteral("Y"), profileBox));
    profileLayout->addWidget(profileY2);
    profileLayout->addStretch();

    auto* observationBox = new QGroupBox(QStringLiteral("Observation points"), this);
    observationParameters = parametersOfScope(ParameterScope::Observation);
    observations = new EditingTable(
        ObservationCount, 4 + static_cast<int>(observationParameters.size()), 0, 0, observationBox);
    observations->setObjectName(QStringLiteral("Observations"));
    QStringList columns { QStringLiteral("Name"), QStringLiteral("X (m)"), QStringLiteral("Y (m)"),
        QStringLiteral("Limit (m)") };
    for (const WellParameter* parameter : observationParameters)
        columns << QStringLiteral("%1 (%2)").arg(text(parameter->symbol), text(parameter->unit));
    observations->setHorizontalHeaderLabels(columns);
    observations->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    observations->setColumnWidth(1, 56);
    observations->setColumnWidth(2, 56);
    observations->setColumnWidth(LimitColumn, 60);
    observations->verticalHeader()->setDefaultSectionSize(20);
    observations->verticalHeader()->setMinimumWidth(22);
    setMethod(WellMethod::CooperJacob); // the points' columns of the other functions hidden
    auto* observationLayout = new QVBoxLayout(observationBox);
    observationLayout->addWidget(observations);
    addPoint = new QPushButton(QStringLiteral("Add point"), observationBox);
    addPoint->setObjectName(QStringLiteral("AddPoint"));
    removePoint = new QPushButton(QStringLiteral("Remove point"), observationBox);
    removePoint->setObjectName(QStringLiteral("RemovePoint"));
    removePoint->setToolTip(QStringLiteral("Removes the last row beyond the first ten"));
    auto* pointButtons = new QHBoxLayout;
    pointButtons->addWidget(addPoint);
    pointButtons->addWidget(removePoint);
    pointButtons->addStretch();
    observationLayout->addLayout(pointButtons);
    connect(addPoint, &QPushButton::clicked, this, [this] {
        observations->insertRow(observations->rowCount());
        observations->scrollToBottom();
        removePoint->setEnabled(true);
    });
    connect(removePoint, &QPushButton::clicked, this, [this] {
        if (observations->rowCount() > ObservationCount)
            observations->removeRow(observations->rowCount() - 1);
        removePoint->setEnabled(observations->rowCount() > ObservationCount);
    });
    removePoint->setEnabled(false);
    observationLayout->addWidget(
        note(QStringLiteral("The drawdown over time at each point is drawn on the Curves tab."),
            observationBox));

    // The bores beyond the well table's five: a row each, all their values in it.
    auto* moreBox = new QGroupBox(QStringLiteral("More bores"), this);
    moreBores = new EditingTable(0, 7, 0, 0, moreBox);
    moreBores->setObjectName(QStringLiteral("MoreBores"));
    moreBores->setHorizontalHeaderLabels({ QStringLiteral("Name"), QStringLiteral("X (m)"),
        QStringLiteral("Y (m)"), QStringLiteral("Rate (m3/h)"), QStringLiteral("Schedule"),
        QStringLiteral("Radius (m)"), QStringLiteral("Available (m)") });
    moreBores->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    moreBores->verticalHeader()->setDefaultSectionSize(20);
    moreBores->setMinimumHeight(80);
    addBore = new QPushButton(QStringLiteral("Add bore"), moreBox);
    addBore->setObjectName(QStringLiteral("AddBore"));
    removeBore = new QPushButton(QStringLiteral("Remove bore"), moreBox);
    removeBore->setObjectName(QStringLiteral("RemoveBore"));
    removeBore->setToolTip(QStringLiteral("Removes the last of these rows"));
    removeBore->setEnabled(false);
    auto* moreLayout = new QVBoxLayout(moreBox);
    moreLayout->addWidget(moreBores);
    auto* boreButtons = new QHBoxLayout;
    boreButtons->addWidget(addBore);
    boreButtons->addWidget(removeBore);
    boreButtons->addStretch();
    moreLayout->addLayout(boreButtons);
    connect(addBore, &QPushButton::clicked, this, [this] {
        const int row = moreBores->rowCount();
        moreBores->insertRow(row);
        moreBores->setVerticalHeaderItem(
            row, new QTableWidgetItem(QString::number(WellCount + row + 1)));
        removeBore->setEnabled(true);
    });
    connect(removeBore, &QPushButton::clicked, this, [this] {
        if (moreBores->rowCount() > 0)
            moreBores->removeRow(moreBores->rowCount() - 1);
        removeBore->setEnabled(moreBores->rowCount() > 0);
    });

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(scheduleBox);
    leftColumn->addWidget(moreBox);
    leftColumn->addWidget(profileBox);
    leftColumn->addStretch();
    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(boundaryBox);
    rightColumn->addWidget(observationBox, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(leftColumn, 1);
    layout->addLayout(rightColumn, 1);
}

void TimeBoundariesTab::setMethod(WellMethod method)
{
    const WellFunction& row = wellFunctionRow(method);
    for (std::size_t k = 0; k < boreParameters.size(); ++k) {
        const WellParameter* parameter = boreParameters[k].first;
        const bool own = std::any_of(row.parameters.begin(), row.parameters.end(),
            [parameter](const WellParameter& p) {
                return p.key == parameter->key && p.scope == parameter->scope;
            });
        m_boreParameterLabels[k]->setVisible(own);
        for (QLineEdit* field : boreParameters[k].second)
            field->setVisible(own);
    }
    // The points' columns alike: a piezometer's screen only where the function reads it. (A
    // key that two functions read is one field: their scopes' keys mean one thing.)
    for (std::size_t k = 0; k < observationParameters.size(); ++k) {
        const WellParameter* parameter = observationParameters[k];
        const bool own = std::any_of(row.parameters.begin(), row.parameters.end(),
            [parameter](const WellParameter& p) {
                return p.key == parameter->key && p.scope == parameter->scope;
            });
        observations->setColumnHidden(4 + static_cast<int>(k), !own);
    }
}

void TimeBoundariesTab::fillTexts(ScenarioTexts& texts) const
{
    for (std::size_t i = 0; i < schedules.size(); ++i) {
        texts.bores[i].name = textOf(names[i]);
        texts.bores[i].schedule = textOf(schedules[i]);
        texts.bores[i].radius = textOf(radii[i]);
        texts.bores[i].availableDrawdown = textOf(available[i]);
        texts.bores[i].parameters.clear();
        for (const auto& [parameter, fields] : boreParameters)
            if (const std::string typed = textOf(fields[i]); !typed.empty())
                texts.bores[i].parameters[std::string(parameter->key)] = typed;
    }
    for (std::size_t b = 0; b < boundaries.size(); ++b) {
        const BoundaryRow& row = boundaries[b];
        // "None" leaves the boundary out, whatever its points say.
        texts.boundaries[b] = row.kind->currentIndex() == 0
            ? BoundaryTexts {}
            : BoundaryTexts { boundaryKindText(BoundaryKinds[row.kind->currentIndex() - 1]),
                  textOf(row.x1), textOf(row.y1), textOf(row.x2), textOf(row.y2) };
    }
    // The rows beyond the table's own: their texts in their cells, what no cell shows kept.
    const auto moreRows = static_cast<std::size_t>(moreBores->rowCount());
    texts.bores.resize(WellCount + moreRows);
    for (std::size_t r = 0; r < moreRows; ++r) {
        BoreTexts& bore = texts.bores[WellCount + r];
        const int row = static_cast<int>(r);
        for (auto [column, text] :
            { std::pair { 0, &bore.name }, { 1, &bore.x }, { 2, &bore.y }, { 3, &bore.rate },
                { 4, &bore.schedule }, { 5, &bore.radius }, { 6, &bore.availableDrawdown } })
            *text = cellText(moreBores, row, column);
    }
    texts.observations.resize(std::max<std::size_t>(
        static_cast<std::size_t>(observations->rowCount()), ObservationCount));
    for (int o = 0; o < observations->rowCount(); ++o) {
        // The measured file is the Pumping test tab's; it is kept here.
        ObservationTexts& point = texts.observations[static_cast<std::size_t>(o)];
        point.name = cellText(observations, o, 0);
        point.x = cellText(observations, o, 1);
        point.y = cellText(observations, o, 2);
        point.limit = cellText(observations, o, LimitColumn);
        point.parameters.clear();
        for (std::size_t p = 0; p < observationParameters.size(); ++p)
            if (const std::string typed = cellText(observations, o, 4 + static_cast<int>(p));
                !typed.empty())
                point.parameters[std::string(observationParameters[p]->key)] = typed;
    }
    texts.profile = { textOf(profileX1), textOf(profileY1), textOf(profileX2), textOf(profileY2) };
}

void TimeBoundariesTab::setObservationPlace(int row, const QString& x, const QString& y)
{
    const QString texts[] = { x, y };
    for (int column = 1; column <= 2; ++column) {
        if (QTableWidgetItem* item = observations->item(row, column))
            item->setText(texts[column - 1]);
        else
            observations->setItem(row, column, new QTableWidgetItem(texts[column - 1]));
    }
}

QString TimeBoundariesTab::observationText(int row, int column) const
{
    return QString::fromStdString(cellText(observations, row, column));
}

void TimeBoundariesTab::showTexts(const ScenarioTexts& texts)
{
    // A text longer than its field shows its start (a name, a site's northing).
    auto show = [](QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
        edit->setCursorPosition(0);
    };
    auto parameterText = [](const ParameterTexts& map, std::string_view key) {
        const auto found = map.find(key);
        return found == map.end() ? std::string() : found->second;
    };
    for (std::size_t i = 0; i < schedules.size(); ++i) {
        show(names[i], texts.bores[i].name);
        show(schedules[i], texts.bores[i].schedule);
        show(radii[i], texts.bores[i].radius);
        show(available[i], texts.bores[i].availableDrawdown);
        for (const auto& [parameter, fields] : boreParameters)
            show(fields[i], parameterText(texts.bores[i].parameters, parameter->key));
    }
    for (std::size_t b = 0; b < boundaries.size(); ++b) {
        const BoundaryTexts& line = texts.boundaries[b];
        BoundaryRow& row = boundaries[b];
        const std::optional<BoundaryKind> kind = boundaryKindOfText(line.kind);
        row.kind->setCurrentIndex(!kind ? 0
                                        : 1
                    + static_cast<int>(
                        std::find(std::begin(BoundaryKinds), std::end(BoundaryKinds), *kind)
                        - std::begin(BoundaryKinds)));
        show(row.x1, line.x1);
        show(row.y1, line.y1);
        show(row.x2, line.x2);
        show(row.y2, line.y2);
    }
    const int points = std::max(static_cast<int>(texts.observations.size()), ObservationCount);
    observations->setRowCount(points);
    removePoint->setEnabled(points > ObservationCount);
    const int more = std::max(static_cast<int>(texts.bores.size()) - WellCount, 0);
    moreBores->setRowCount(more);
    removeBore->setEnabled(more > 0);
    for (int r = 0; r < more; ++r) {
        const BoreTexts& bore = texts.bores[static_cast<std::size_t>(WellCount + r)];
        moreBores->setVerticalHeaderItem(
            r, new QTableWidgetItem(QString::number(WellCount + r + 1)));
        int column = 0;
        for (const std::string* text : { &bore.name, &bore.x, &bore.y, &bore.rate, &bore.schedule,
                 &bore.radius, &bore.availableDrawdown })
            moreBores->setItem(r, column++, new QTableWidgetItem(QString::fromStdString(*text)));
    }
    for (int o = 0; o < points; ++o) {
        static const ObservationTexts none;
        const ObservationTexts& point = static_cast<std::size_t>(o) < texts.observations.size()
            ? texts.observations[static_cast<std::size_t>(o)]
            : none;
        int column = 0;
        for (const std::string* text : { &point.name, &point.x, &point.y, &point.limit })
            observations->setItem(o, column++, new QTableWidgetItem(QString::fromStdString(*text)));
        for (const WellParameter* parameter : observationParameters)
            observations->setItem(o, column++,
                new QTableWidgetItem(
                    QString::fromStdString(parameterText(point.parameters, parameter->key))));
    }
    show(profileX1, texts.profile.x1);
    show(profileY1, texts.profile.y1);
    show(profileX2, texts.profile.x2);
    show(profileY2, texts.profile.y2);
}

} // namespace drawfield

namespace drawfield {

void TimeBoundariesTab::showUnits(const UnitTexts& units)
{
    auto word = [&](Quantity quantity) {
        return QString::fromStdString(std::string(defaultUnitWord(units, quantity)));
    };
    const QString time = units.time.empty() ? QStringLiteral("hour") : word(Quantity::Time);
    m_radiusHead->setText(QStringLiteral("Radius (%1)").arg(word(Quantity::Length)));
    m_availableHead->setText(QStringLiteral("Available (%1)").arg(word(Quantity::Length)));
    for (int i = 0; i < WellCount; ++i)
        schedules[static_cast<std::size_t>(i)]->setToolTip(
            QStringLiteral("Rate changes of bore %1: time:rate pairs, %2 and %3")
                .arg(i + 1)
                .arg(time, word(Quantity::Rate)));
    m_scheduleNote->setText(units.time.empty() && units.rate.empty()
            ? QStringLiteral("From each hour (since pumping began) the bore pumps that rate, "
                             "m3/h; 0 stops it and the water recovers.")
            : QStringLiteral("From each time (%1 since pumping began) the bore pumps that rate, "
                             "%2; 0 stops it and the water recovers.")
                  .arg(time, word(Quantity::Rate)));
    for (int column : { 1, 2, LimitColumn })
        observations->horizontalHeaderItem(column)->setText(
            QStringLiteral("%1 (%2)").arg(column == 1 ? "X"
                    : column == 2                     ? "Y"
                                                      : "Limit",
                word(Quantity::Length)));
}

} // namespace drawfield
