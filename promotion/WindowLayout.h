#pragma once

#include "DBSBtn.h"

#include <QColor>
#include <QStyle>

#include <span>

// The promotion window's layout as data: its panes, controls, captions, colours, grid
// columns, record sets, commands and Tab order. Sizes and positions are pixels at 96
// dots per inch; the window scales them when it is resized. Texts are UTF-8.
namespace WindowLayout {

constexpr int DesignWidth = 812; // size of the window
constexpr int DesignHeight = 595;
constexpr int FontPixels = 13; // "細明體", 13 pixels high
constexpr int BoxHeight = 21; // every text box

enum class Kind {
    Panel, // TPanel: a pane, docked or placed
    Label, // QLabel, sized to its text
    Edit, // QLineEdit
    DateBox, // TMaskEdit with the date mask
    Button, // QToolButton, flat, picture above the caption
    NavButton, // TDBSpeedButton on the bill's product list
    Grid, // TDBGrid
    SearchBox, // TSearchEdit
    Splitter, // TSplitter
    Shape, // TShape
};

enum class Dock { None, Top, Bottom, Left, Right, Client };

enum class Look {
    Plain, // button face; panels with a raised edge
    Bare, // button face, no edge
    White, // white; panels with a raised edge
    Input, // light yellow text box the user types into
    Display, // light red text box: read-only, skipped by Tab
    BillNumber, // light blue, read-only, skipped by Tab
    LightBlue, // splitters
    Yellow, // the search band and its box
};

struct Control
{
    const char *name; // member name
    Kind kind;
    const char *parent; // member name of the parent; nullptr: the window itself
    Dock dock;
    int left, top, width, height; // a docked pane uses only its height (top, bottom) or width
    const char *text; // caption or initial text
    Look look;
    int maxLength = 0; // 0: no limit
    const char *hint = "";
};

// Item pane boxes with their labels (all inside Panel6, BoxHeight high).
struct ItemBox
{
    const char *label;
    int labelLeft, labelTop;
    const char *box;
    Kind kind; // Edit or DateBox
    int left, top, width;
    Look look; // Input or Display
    const char *text;
    int maxLength = 0;
};

// Flat picture buttons: the picture and the command the button is bound to.
struct ButtonBinding
{
    const char *button;
    QStyle::StandardPixmap picture;
    const char *command; // nullptr: the button has a click handler of its own
};

struct NavButtonSpec
{
    const char *button;
    TDBButtonType kind;
};

enum class ColumnColor { Normal, Silver, White };

struct GridColumn
{
    const char *field;
    const char *title; // empty: the field's own caption
    int width; // pixels; -1: the field's own width
    ColumnColor color = ColumnColor::Normal;
    bool readOnly = false;
};

struct GridSpec
{
    const char *grid;
    const char *dataSource;
    bool readOnly;
    bool allowAppend;
    std::span<const GridColumn> columns;
};

// A client record set, the provider it takes its rows from and the provider's
// statement, with the command text it starts with.
struct RecordSetRow
{
    const char *recordSet;
    const char *provider; // nullptr: filled by copying or loading
    const char *statement; // nullptr: none of its own
    const char *commandText;
    int packetRecords = -1; // rows per fetch; -1: all
};

struct DataSourceRow
{
    const char *dataSource;
    const char *recordSet; // nullptr: bound at run time
};

struct StatementRow
{
    const char *statement;
    int connection; // 1: SQLConnection1, 2: SQLConnection2
};

struct Command
{
    const char *name;
    const char *caption;
    Qt::Key key;
};

struct MenuItem
{
    const char *name;
    const char *caption;
};

std::span<const Control> controls(); // parents before children, in docking order
std::span<const ItemBox> itemBoxes();
std::span<const ButtonBinding> buttons();
std::span<const NavButtonSpec> navButtons();
std::span<const GridSpec> grids();
std::span<const RecordSetRow> recordSets();
std::span<const DataSourceRow> dataSources();
std::span<const StatementRow> statements();
std::span<const Command> commands();
std::span<const MenuItem> popupMenu();
// The Tab order of the whole window; the last one is followed by the first.
std::span<const char *const> tabOrder();

QColor lookColor(Look look); // invalid for Plain and Bare (the button face)
QColor columnColor(ColumnColor color); // invalid for Normal (the grid's own)

} // namespace WindowLayout
