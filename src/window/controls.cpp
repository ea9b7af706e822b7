#include "window/controls.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabBar>

#include <algorithm>
#include <cmath>

namespace drawfield {

TabControl::TabControl(QWidget* parent)
    : QWidget(parent)
    , m_bar(new QTabBar(this))
{
    m_bar->setDrawBase(true);
    m_bar->setExpanding(false);
    connect(m_bar, &QTabBar::currentChanged, this, &TabControl::showPage);
}

QWidget* TabControl::addTab(const QString& caption)
{
    auto* page = new QWidget(this);
    page->setAutoFillBackground(true);
    page->setGeometry(rect());
    m_pages.push_back(page);
    m_bar->addTab(caption);
    m_bar->raise();
    showPage(m_bar->currentIndex());
    return page;
}

void TabControl::setCurrentIndex(int index) { m_bar->setCurrentIndex(index); }

int TabControl::currentIndex() const { return m_bar->currentIndex(); }

void TabControl::showPage(int index)
{
    for (int i = 0; i < count(); ++i)
        m_pages[static_cast<std::size_t>(i)]->setVisible(i == index);
    m_bar->raise();
}

void TabControl::resizeEvent(QResizeEvent*)
{
    for (QWidget* page : m_pages)
        page->setGeometry(rect());
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
}

namespace {

    // Cell editors pass typed characters through the table's key filter, and hand each change to
    // the table at once; Enter, Escape and Tab still end the edit as they do in any table, Escape
    // putting the text back as it was.
    class TypedCellEditor : public QStyledItemDelegate {
    public:
        explicit TypedCellEditor(EditingTable* table)
            : QStyledItemDelegate(table)
            , m_table(table)
        {
        }
        QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
            const QModelIndex& index) const override
        {
            QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
            editor->installEventFilter(const_cast<TypedCellEditor*>(this));
            if (auto* line = qobject_cast<QLineEdit*>(editor)) {
                line->setProperty(OriginalText, index.data(Qt::EditRole));
                auto* self = const_cast<TypedCellEditor*>(this);
                connect(line, &QLineEdit::textEdited, self,
                    [self, line] { emit self->commitData(line); });
            }
            return editor;
        }
        void setEditorData(QWidget* editor, const QModelIndex& index) const override
        {
            // The cell changed because the editor did: the editor, its cursor included, stays.
            auto* line = qobject_cast<QLineEdit*>(editor);
            if (line && line->text() == index.data(Qt::EditRole).toString())
                return;
            QStyledItemDelegate::setEditorData(editor, index);
        }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::KeyPress) {
                auto* key = static_cast<QKeyEvent*>(event);
                if (key->key() == Qt::Key_Escape) {
                    if (auto* line = qobject_cast<QLineEdit*>(watched)) {
                        line->setText(line->property(OriginalText).toString());
                        emit commitData(line);
                    }
                }
                bool ends = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                    || key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab
                    || key->key() == Qt::Key_Backtab;
                QString text = key->text();
                if (!ends && !text.isEmpty() && key->key() != Qt::Key_Delete
                    && m_table->keyFilter) {
                    const auto* edit = qobject_cast<QLineEdit*>(watched);
                    const QString before
                        = edit ? edit->text().left(edit->cursorPosition()) : QString();
                    for (QChar c : text)
                        if (!m_table->keyFilter(c, before))
                            return true;
                }
            }
            return QStyledItemDelegate::eventFilter(watched, event);
        }

    private:
        static constexpr const char* OriginalText = "drawfieldOriginalText";
        EditingTable* m_table;
    };

} // namespace

EditingTable::EditingTable(int rows, int columns, int firstRow, int firstColumn, QWidget* parent)
    : QTableWidget(rows, columns, parent)
    , m_firstRow(firstRow)
    , m_firstColumn(firstColumn)
{
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
        | QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new TypedCellEditor(this));
}

FlexGrid::FlexGrid(int rows, int columns, int rowHeight, int columnWidth, QWidget* parent)
    : EditingTable(rows, columns, 1, 1, parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    for (int r = 0; r < rows; ++r)
        setRowHeight(r, rowHeight);
    for (int c = 0; c < columns; ++c)
        setColumnWidth(c, columnWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem;
            if (r == 0 || c == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
            }
            setItem(r, c, item);
        }
    setCurrentCell(1, 1);
}

QString FlexGrid::TextMatrix(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
}

int EditingTable::lastShownColumn() const
{
    int column = columnCount() - 1;
    while (column > m_firstColumn && isColumnHidden(column))
        --column;
    return column;
}

QModelIndex EditingTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    int row = std::max(m_firstRow, current.row());
    int column = std::max(m_firstColumn, current.column());
    const int lastRow = rowCount() - 1, lastColumn = lastShownColumn();
    switch (action) {
    case MoveNext:
        do
            ++column;
        while (column <= lastColumn && isColumnHidden(column));
        if (column > lastColumn) {
            if (row >= lastRow)
                return {}; // past the last cell: the table gives the focus away
            row += 1, column = m_firstColumn;
        }
        break;
    case MovePrevious:
        do
            --column;
        while (column >= m_firstColumn && isColumnHidden(column));
        if (column < m_firstColumn) {
            if (row <= m_firstRow)
                return {};
            row -= 1, column = lastColumn;
        }
        break;
    default: {
        // Arrows, Home, End, pages: as any table, but never onto a header.
        const QModelIndex moved = QTableWidget::moveCursor(action, modifiers);
        if (!moved.isValid())
            return moved;
        row = std::max(m_firstRow, moved.row());
        column = std::max(m_firstColumn, moved.column());
    }
    }
    return model()->index(row, column);
}

void EditingTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Tab in the last cell's editor (Shift+Tab in the first's) ends the edit and leaves.
    const bool forward = hint == QAbstractItemDelegate::EditNextItem;
    const bool backward = hint == QAbstractItemDelegate::EditPreviousItem;
    if ((forward || backward)
        && !moveCursor(forward ? MoveNext : MovePrevious, Qt::NoModifier).isValid()) {
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        QWidget::focusNextPrevChild(forward);
        return;
    }
    QTableWidget::closeEditor(editor, hint);
}

void EditingTable::focusInEvent(QFocusEvent* event)
{
    // Tabbing in starts at the first cell, tabbing back in at the last.
    if (event->reason() == Qt::TabFocusReason)
        setCurrentCell(m_firstRow, m_firstColumn);
    else if (event->reason() == Qt::BacktabFocusReason)
        setCurrentCell(rowCount() - 1, lastShownColumn());
    QTableWidget::focusInEvent(event);
}

void EditingTable::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex under = indexAt(event->position().toPoint());
    if (under.isValid() && (under.row() < m_firstRow || under.column() < m_firstColumn)) {
        setFocus(Qt::MouseFocusReason); // a click on a header takes the focus, not the cell
        event->accept();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void EditingTable::keyPressEvent(QKeyEvent* event)
{
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        const bool backward
            = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!backward);
        event->accept();
        return;
    }
    // The table's own key press: the character that would open a cell for editing. Keys that
    // reach the table from an open editor (Enter ending the edit) were the editor's to filter.
    QString text = event->text();
    bool character = !text.isEmpty() && event->key() != Qt::Key_Tab
        && event->key() != Qt::Key_Backtab && event->key() != Qt::Key_Delete
        && state() != EditingState;
    if (character && keyFilter) {
        for (QChar c : text)
            if (!keyFilter(c, QString())) {
                event->accept();
                return;
            }
    }
    QTableWidget::keyPressEvent(event);
}

ProgressBox::ProgressBox(QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
}

void ProgressBox::clear(int right)
{
    m_right = right;
    m_boxes = 0;
    m_filledTo = 0;
    update();
}

void ProgressBox::drawBox(int p)
{
    ++m_boxes;
    m_filledTo = std::max(m_filledTo, p);
    update();
}

void ProgressBox::paintEvent(QPaintEvent*)
{
    // The scale runs from 1 at the left edge to m_right at the right edge; a scale of no width
    // has nothing to show.
    if (m_right <= 1 || m_filledTo < 1)
        return;
    QPainter painter(this);
    double fraction = std::min(1.0, (m_filledTo - 1.0) / (m_right - 1.0));
    painter.fillRect(QRectF(0, 0, width() * fraction, height()), QColor(0, 0, 255));
}

ExtentPicture::ExtentPicture(QWidget* parent)
    : QWidget(parent)
{
}

void ExtentPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0xf7, 0xf7, 0xf2));
    const QRectF map = QRectF(rect()).adjusted(
        width() * 0.14, height() * 0.12, -width() * 0.14, -height() * 0.16);
    // A cone of depression in the map: rings around a well.
    const QColor rings[] = { QColor(0xc7, 0xe9, 0xb4), QColor(0x7f, 0xcd, 0xbb),
        QColor(0x41, 0xb6, 0xc4), QColor(0x22, 0x5e, 0xa8) };
    painter.fillRect(map, QColor(0xff, 0xff, 0xd9));
    QPointF well = map.center() + QPointF(-map.width() * 0.12, map.height() * 0.08);
    for (int i = 0; i < 4; ++i) {
        double r = std::min(map.width(), map.height()) * (0.42 - i * 0.1);
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 0.8));
        painter.setBrush(rings[i]);
        painter.drawEllipse(well, r, r * 0.9);
    }
    painter.setBrush(Qt::black);
    painter.drawEllipse(well, 2.5, 2.5);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(map);

    // X grows to the right along the bottom edge, Y upward along the left edge.
    auto arrow = [&](QPointF from, QPointF to) {
        painter.drawLine(from, to);
        QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
        QPointF n(-d.y(), d.x());
        QPolygonF head;
        head << to << to - d * 7 + n * 3.5 << to - d * 7 - n * 3.5;
        painter.setBrush(QColor(0x20, 0x20, 0x20));
        painter.drawPolygon(head);
        painter.setBrush(Qt::NoBrush);
    };
    arrow(map.bottomLeft() + QPointF(0, 9), map.bottomRight() + QPointF(10, 9));
    arrow(map.bottomLeft() - QPointF(9, 0), map.topLeft() - QPointF(9, 10));
    QFont font = painter.font();
    font.setPixelSize(std::max(9, height() / 13));
    painter.setFont(font);
    painter.drawText(QRectF(map.right() - 40, map.bottom() + 10, 60, height()),
        Qt::AlignRight | Qt::AlignTop, QStringLiteral("X"));
    painter.drawText(QRectF(0, map.top() - 20, map.left() - 14, 20),
        Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Y"));
    painter.drawText(QRectF(map.left(), map.bottom() + 10, 80, height()),
        Qt::AlignLeft | Qt::AlignTop, QStringLiteral("min"));
    painter.drawText(QRectF(map.left() + 4, map.top() + 2, map.width(), 20),
        Qt::AlignLeft | Qt::AlignTop, QStringLiteral("max"));
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1, Qt::DotLine));
    painter.drawLine(map.topRight(), map.topRight() + QPointF(width() * 0.1, -height() * 0.08));
}

ExportPanel::ExportPanel(QWidget* parent)
    : QFrame(parent)
    , m_activity(new QLabel(this))
    , m_bar(new QProgressBar(this))
    , m_stop(new QPushButton(QStringLiteral("Stop"), this))
{
    setObjectName(QStringLiteral("ExportPanel"));
    setFrameStyle(QFrame::Box | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    m_stop->setObjectName(QStringLiteral("StopExport"));
    m_bar->setRange(0, 1000);
    auto* title = m_title = new QLabel(QStringLiteral("Exporting to the mapping program"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* layout = new QGridLayout(this);
    layout->addWidget(title, 0, 0, 1, 2);
    layout->addWidget(m_activity, 1, 0, 1, 2);
    layout->addWidget(m_bar, 2, 0);
    layout->addWidget(m_stop, 2, 1);
    setProgress(0.0, QString());
    hide();
}

void ExportPanel::setTitle(const QString& title) { m_title->setText(title); }

void ExportPanel::setProgress(double fraction, const QString& activity)
{
    // Below 0: a task whose share done is not known, the bar busy.
    m_bar->setRange(0, fraction < 0.0 ? 0 : 1000);
    m_bar->setValue(static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 1000)));
    m_activity->setText(activity.isEmpty() ? QString() : activity + QStringLiteral("..."));
}

InputGate::InputGate(QWidget* open, std::function<void()> onEscape)
    : m_open(open)
    , m_onEscape(std::move(onEscape))
{
}

bool InputGate::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_onEscape
            && watched->isWidgetType()) {
            m_onEscape();
            return true;
        }
        [[fallthrough]];
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::DragEnter:
    case QEvent::Drop: {
        // The platform window passes input on to the widget under it: only widgets are
        // turned away, all but the open one (when there is one).
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr)
            return false;
        return m_open == nullptr || (widget != m_open && !m_open->isAncestorOf(widget));
    }
    default:
        return false;
    }
}

bool isUnitCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('/')
        || c == QLatin1Char('^') || c == QLatin1Char('%') || c == QLatin1Char('.')
        || c == QChar(0x00B2) || c == QChar(0x00B3) || c == QChar(0x00B5);
}

QIcon drawfieldIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor rings[] = { QColor(0xed, 0xf8, 0xb1), QColor(0x7f, 0xcd, 0xbb),
        QColor(0x1d, 0x91, 0xc0), QColor(0x25, 0x34, 0x94) };
    for (int i = 0; i < 4; ++i) {
        double r = 15.0 - i * 3.6;
        painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 0.8));
        painter.setBrush(rings[i]);
        painter.drawEllipse(QPointF(16, 16), r, r);
    }
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(16, 16), 1.8, 1.8);
    return QIcon(pixmap);
}

} // namespace drawfield
