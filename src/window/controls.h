#pragma once

// The window's own controls: the tab control, the well table, the progress box, the picture of
// the map's extent and the web link.

#include <QFrame>
#include <QTableWidget>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTabBar;

namespace drawfield {

// A tab control whose pages cover its whole area, tab strip included, as the window's layout
// measures positions from the control's top-left corner. The strip is drawn over the pages.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);
    [[nodiscard]] QWidget* addTab(const QString& caption); // the new page
    void setCurrentIndex(int index);
    [[nodiscard]] int currentIndex() const;
    [[nodiscard]] int count() const { return static_cast<int>(m_pages.size()); }
    [[nodiscard]] QWidget* page(int index) const
    {
        return m_pages.at(static_cast<std::size_t>(index));
    }
    [[nodiscard]] QTabBar* tabBar() const { return m_bar; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPage(int index);
    QTabBar* m_bar;
    std::vector<QWidget*> m_pages;
};

// A table of text cells edited by typing, as the window's tables are:
// - what is typed in a cell counts at once: the cell's text follows each key, so a save, the
//   unsaved-changes mark, a run and closing the window all see it without Enter; Escape puts the
//   cell back as it was before the edit;
// - Tab and Shift+Tab walk the editable cells (from firstRow, firstColumn) in reading order, then
//   leave the table for the next control in the window's tab order; Ctrl+Tab leaves at once, so
//   the keyboard never stays caught in it; the current cell is never a header cell;
// - typed characters, in the table and in its cell editor, first pass keyFilter when there is
//   one: a return of false cancels the key.
class EditingTable : public QTableWidget {
    Q_OBJECT
public:
    EditingTable(int rows, int columns, int firstRow, int firstColumn, QWidget* parent = nullptr);

    // The character typed, and the cell's text before the cursor ("" as an edit begins).
    std::function<bool(QChar, const QString&)> keyFilter;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The last column shown: Tab passes over hidden ones.
    [[nodiscard]] int lastShownColumn() const;
    int m_firstRow, m_firstColumn;
};

// The flexible grid: rows and columns of text cells, row 0 and column 0 fixed (headers, not
// editable), fixed row heights and column widths, no scroll bars, cells edited by typing.
class FlexGrid : public EditingTable {
    Q_OBJECT
public:
    FlexGrid(int rows, int columns, int rowHeight, int columnWidth, QWidget* parent = nullptr);

    // A cell's text by (row, column), the headers being row 0 and column 0.
    [[nodiscard]] QString TextMatrix(int row, int column) const;
    void setTextMatrix(int row, int column, const QString& text);
};

// The progress display: cleared with a scale running from 1 to right along X, then boxes from the
// left edge to a position p on that scale, each drawn over the earlier ones in pure blue.
class ProgressBox : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBox(QWidget* parent = nullptr);
    void clear(int right); // the user scale's right edge (its left edge is 1)
    void drawBox(int p); // the box (1, 1) - (p, 10), filled
    [[nodiscard]] int boxCount() const { return m_boxes; }
    [[nodiscard]] int filledTo() const
    {
        return m_filledTo;
    } // the widest box's right edge, scale units

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_right = 0;
    int m_boxes = 0;
    int m_filledTo = 0;
};

// Picture1: the map's extent fields explained by a drawing (minimum at the lower left, the
// maximum at the upper right, X to the right and Y upward).
class ExtentPicture : public QWidget {
    Q_OBJECT
public:
    explicit ExtentPicture(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The panel shown over the window while the export to the mapping program runs: what it is doing,
// how far it has come, and a Stop button, the one control that takes input meanwhile.
class ExportPanel : public QFrame {
    Q_OBJECT
public:
    explicit ExportPanel(QWidget* parent = nullptr);
    void setProgress(double fraction, const QString& activity); // 0 to 1; below 0 unknown
    void setTitle(const QString& title); // "Exporting to the mapping program" at first
    [[nodiscard]] QPushButton* stopButton() const { return m_stop; }

private:
    QLabel* m_title;
    QLabel* m_activity;
    QProgressBar* m_bar;
    QPushButton* m_stop;
};

// While installed on the application, lets no user input through but to one widget (and its
// children; none when it is null) and calls onEscape when Escape is pressed: the window keeps
// painting while a long task runs, and that widget (a Stop button) is the only way in.
class InputGate : public QObject {
    Q_OBJECT
public:
    InputGate(QWidget* open, std::function<void()> onEscape);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_open;
    std::function<void()> m_onEscape;
};

// What a unit word after a number is written with: m2/d, m²/d, m^2/day, L/s, %.
[[nodiscard]] bool isUnitCharacter(QChar c);

// The program's icon: a cone of depression seen from above.
[[nodiscard]] QIcon drawfieldIcon();

// The sans-serif font the window was designed with, or the nearest one installed.
[[nodiscard]] QFont sansSerif(double points, bool bold = false);

} // namespace drawfield
