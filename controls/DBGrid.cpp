#include "DBGrid.h"

#include "DBGridDelegate.h"
#include "DBGridIndicator.h"
#include "ErrorReport.h"
#include "Prompter.h"

#include "DataSource.h"
#include "DbError.h"
#include "Field.h"
#include "RecordSet.h"
#include "RecordSetModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new RecordSetModel(this))
    , m_delegate(new TDBGridDelegate(m_model, this))
    , m_indicator(new TDBGridIndicator(m_model, this))
{
    // While the model changes its rows, the view moves its current index on its own;
    // such moves must not move the record set. These connections come before those
    // that setModel() makes, so they run before the view's own handlers.
    const auto begin = [this] { ++m_modelChanging; };
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, begin);
    connect(m_model, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeMoved, this, begin);

    setVerticalHeader(m_indicator);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTabKeyNavigation(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Rows are never measured: a fixed height lets a million rows scroll.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    applyRowHeight();

    // After the view's own handlers: back onto the record set's row.
    const auto end = [this] {
        m_modelChanging = qMax(0, m_modelChanging - 1);
        if (m_modelChanging == 0)
            syncCurrentFromModel(m_model->currentRow());
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, [this, end] {
        applyColumnWidths();
        end();
    });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, end);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, end);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, end);
    connect(m_model, &QAbstractItemModel::rowsMoved, this, end);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::titleClicked);
    connect(m_model, &RecordSetModel::currentRowChanged, this,
            [this](int row) { syncCurrentFromModel(row); });
    connect(m_model, qOverload<bool>(&RecordSetModel::editingChanged), this,
            [this] { m_indicator->viewport()->update(); });
    connect(m_model, &QAbstractItemModel::headerDataChanged, this,
            [this] { applyColumnWidths(); });
    // The model keeps errors of cell edits and packet fetches away from Qt; they are
    // shown here, as the general error report shows any other.
    connect(m_model, &RecordSetModel::editFailed, this, [](const QString &message) {
        ErrorReport::show(std::make_exception_ptr(DbError(message)));
    });
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::setDataSource(DataSource *source)
{
    m_model->setDataSource(source);
}

DataSource *TDBGrid::dataSource() const
{
    return m_model->dataSource();
}

RecordSet *TDBGrid::dataSet() const
{
    return m_model->dataSet();
}

void TDBGrid::setColumns(const QStringList &fieldNames)
{
    m_lastColumn = 0;
    m_widths.clear();
    m_delegate->clearColumnColors();
    m_model->setColumns(fieldNames);
    applyColumnWidths();
}

int TDBGrid::columnCountShown() const
{
    return m_model->columnCount();
}

void TDBGrid::setColumnTitle(int column, const QString &title)
{
    m_model->setColumnTitle(column, title);
}

QString TDBGrid::columnTitle(int column) const
{
    return m_model->columnTitle(column);
}

void TDBGrid::setColumnWidthPixels(int column, int px)
{
    if (column < 0)
        return;
    while (m_widths.size() <= column)
        m_widths.append(-1);
    m_widths[column] = px;
    if (column < m_model->columnCount())
        setColumnWidth(column, px >= 0 ? px : defaultColumnWidth(column));
}

void TDBGrid::setColumnColor(int column, const QColor &color)
{
    m_delegate->setColumnColor(column, color);
    viewport()->update();
}

QColor TDBGrid::columnColor(int column) const
{
    return m_delegate->columnColor(column);
}

void TDBGrid::setColumnReadOnly(int column, bool readOnly)
{
    m_model->setColumnReadOnly(column, readOnly);
}

void TDBGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_model->setReadOnly(readOnly);
}

bool TDBGrid::readOnly() const
{
    return m_readOnly;
}

QString TDBGrid::columnFieldName(int column) const
{
    const RecordSet *rs = dataSet();
    const int fieldIndex = m_model->fieldIndexOfColumn(column);
    if (rs && fieldIndex >= 0 && fieldIndex < rs->fieldCount())
        return rs->field(fieldIndex)->fieldName();
    return m_model->columns().value(column);
}

bool TDBGrid::editable() const
{
    const RecordSet *rs = dataSet();
    return !m_readOnly && rs && rs->active() && rs->canModify();
}

int TDBGrid::defaultColumnWidth(int column) const
{
    const RecordSet *rs = dataSet();
    const int fieldIndex = m_model->fieldIndexOfColumn(column);
    int chars = 10;
    if (rs && fieldIndex >= 0 && fieldIndex < rs->fieldCount())
        chars = rs->field(fieldIndex)->displayWidth();
    const int data = chars * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 6;
    const int title = horizontalHeader()->fontMetrics().horizontalAdvance(columnTitle(column))
                      + 10;
    return qMax(data, title);
}

void TDBGrid::applyColumnWidths()
{
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int px = m_widths.value(c, -1);
        setColumnWidth(c, px >= 0 ? px : defaultColumnWidth(c));
    }
}

void TDBGrid::applyRowHeight()
{
    const int height = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(qMin(height, 8));
    verticalHeader()->setDefaultSectionSize(height);
}

void TDBGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyRowHeight();
        applyColumnWidths();
    }
}

void TDBGrid::syncCurrentFromModel(int row)
{
    m_indicator->viewport()->update();
    if (m_modelChanging > 0)
        return; // done when the change ends
    if (row < 0 || row >= m_model->rowCount()) {
        const bool was = m_syncing;
        m_syncing = true;
        selectionModel()->clearCurrentIndex();
        m_syncing = was;
        return;
    }
    const QModelIndex current = currentIndex();
    // A reset of the model (re-opened, re-sorted) forgets the view's current cell:
    // the grid keeps its column.
    int column = current.isValid() ? current.column() : m_lastColumn;
    if (column < 0 || column >= m_model->columnCount())
        column = 0;
    const QModelIndex target = m_model->index(row, column);
    if (target == current)
        return;
    const bool was = m_syncing;
    m_syncing = true;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    m_syncing = was;
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    m_indicator->viewport()->update();
    if (current.isValid())
        m_lastColumn = current.column();
    if (m_syncing || m_modelChanging > 0 || !current.isValid()
        || current.row() == m_model->currentRow())
        return;
    const int wanted = current.row();
    ErrorReport::guard([&] { m_model->setCurrentRow(wanted); });
    // A refused move (a row that cannot be posted) puts the grid back on the record
    // set's row; so does a move that dropped an unchanged new row.
    if (m_model->currentRow() != currentIndex().row())
        syncCurrentFromModel(m_model->currentRow());
}

bool TDBGrid::offerKey(QKeyEvent *event)
{
    if (!OnKeyPress)
        return false;
    bool consumed = false;
    ErrorReport::guard([&] { consumed = OnKeyPress(event); });
    return consumed;
}

bool TDBGrid::event(QEvent *event)
{
    // Tab reaches focusNextPrevChild() before keyPressEvent(): offer every key first.
    if (event->type() == QEvent::KeyPress && offerKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

bool TDBGrid::eventFilter(QObject *watched, QEvent *event)
{
    // Keys typed into a cell editor are offered too, before the editor acts on them.
    if (event->type() == QEvent::KeyPress && watched != viewport() && OnKeyPress
        && qobject_cast<QWidget *>(watched) && indexWidget(currentIndex()) == watched) {
        if (offerKey(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::NoModifier) {
            emit enterPressed();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier) {
            if (editable())
                ErrorReport::guard([this] { insertRow(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (mods == Qt::ControlModifier) {
            if (editable())
                ErrorReport::guard([this] { deleteRow(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (RecordSet *rs = dataSet(); rs && rs->active()
                                       && (rs->state() == DataSetState::Edit
                                           || rs->state() == DataSetState::Insert)) {
            ErrorReport::guard([rs] { rs->cancel(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (mods & Qt::ControlModifier) {
            // Ctrl+Tab leaves the grid.
            QWidget::focusNextPrevChild(!(mods & Qt::ShiftModifier)
                                        && event->key() == Qt::Key_Tab);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

bool TDBGrid::focusNextPrevChild(bool next)
{
    if (!tabKeyNavigation())
        return QTableView::focusNextPrevChild(next);
    moveToNextCell(!next);
    return true;
}

void TDBGrid::moveToNextCell(bool backward)
{
    if (state() == QAbstractItemView::EditingState) {
        if (QWidget *editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, backward ? QAbstractItemDelegate::EditPreviousItem
                                         : QAbstractItemDelegate::EditNextItem);
            return;
        }
    }
    const QModelIndex target = moveCursor(backward ? MovePrevious : MoveNext, Qt::NoModifier);
    if (target.isValid() && target != currentIndex())
        setCurrentIndex(target);
}

QModelIndex TDBGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    const int rows = m_model->rowCount();
    const int columns = m_model->columnCount();
    if (!current.isValid() || rows == 0 || columns == 0) {
        // An empty grid: moving down starts the first row where that is allowed.
        if (cursorAction == MoveDown || cursorAction == MoveNext) {
            if (rows == 0 && appendRow())
                return m_model->index(m_model->currentRow(), 0);
        }
        return QTableView::moveCursor(cursorAction, modifiers);
    }
    const int row = current.row();
    const int column = current.column();
    switch (cursorAction) {
    case MoveNext:
        if (column < columns - 1)
            return m_model->index(row, column + 1);
        if (row < rows - 1)
            return m_model->index(row + 1, 0);
        if (appendRow())
            return m_model->index(m_model->currentRow(), 0);
        return current;
    case MovePrevious:
        if (column > 0)
            return m_model->index(row, column - 1);
        if (row > 0)
            return m_model->index(row - 1, columns - 1);
        return current;
    case MoveDown:
        if (row == rows - 1) {
            if (appendRow())
                return m_model->index(m_model->currentRow(), column);
            return current;
        }
        break;
    default:
        break;
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

bool TDBGrid::appendRow()
{
    if (!m_allowAppend || !editable())
        return false;
    RecordSet *rs = dataSet();
    // On a new row that holds nothing yet there is nothing to go on from.
    if (rs->state() == DataSetState::Insert && !rs->modified())
        return false;
    return ErrorReport::guard([rs] {
        rs->checkBrowseMode();
        rs->append();
    });
}

void TDBGrid::insertRow()
{
    dataSet()->insert();
}

void TDBGrid::deleteRow()
{
    RecordSet *rs = dataSet();
    if (rs->isEmpty())
        return;
    if (Prompter::current().ask(QStringLiteral("Delete record?"), mbOK | mbCancel, 0) != mbOK)
        return;
    rs->deleteRecord();
}

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (trigger != NoEditTriggers && trigger != AllEditTriggers && !editable())
        return false;
    const bool editing = QTableView::edit(index, trigger, event);
    if (editing) {
        if (QWidget *editor = indexWidget(index)) {
            // Installed after the delegate's filter, so it sees the keys first.
            editor->removeEventFilter(this);
            editor->installEventFilter(this);
        }
    }
    return editing;
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit rowDoubleClicked(index.row());
}
