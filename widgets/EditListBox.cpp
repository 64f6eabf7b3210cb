#include "EditListBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace sievra {

EditListBox::EditListBox(QWidget* parent)
    : QListWidget(parent)
    , editor_(new QLineEdit(viewport())) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setFrame(false);
    editor_->hide();
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::returnPressed, this, [this] { EndEdit(true); });
    connect(qApp, &QApplication::focusChanged, this, &EditListBox::FocusChanged);
}

void EditListBox::SetEntries(const QStringList& entries) {
    if (editing_) {
        EndEdit(false);
    }
    clear();
    addItems(entries);
    setCurrentItem(nullptr);
    clearSelection();
    modified_ = false;
}

QStringList EditListBox::Entries() const {
    QStringList entries;
    entries.reserve(count());
    for (int i = 0; i < count(); ++i) {
        entries.append(item(i)->text());
    }
    return entries;
}

int EditListBox::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void EditListBox::SelectIndex(int index) {
    if (index >= 0 && index < count()) {
        setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    } else {
        setCurrentItem(nullptr);
        clearSelection();
    }
}

void EditListBox::StartEdit() {
    const int index = SelectedIndex();
    if (index < 0 || editing_) {
        return;
    }
    QListWidgetItem* entry = item(index);
    edited_ = indexFromItem(entry);
    scrollToItem(entry);
    modifiedBeforeEdit_ = modified_;
    modified_ = true;
    editing_ = true;
    editor_->setFont(font());
    editor_->setGeometry(visualItemRect(entry));
    editor_->setText(entry->text());
    editor_->selectAll();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
}

void EditListBox::AddEntry() {
    if (editing_) {
        EndEdit(true);
    }
    modifiedBeforeAdd_ = modified_;
    addItem(entryTitle_);
    SelectIndex(count() - 1);
    modified_ = true;
    StartEdit();
    editingNewEntry_ = editing_;
}

void EditListBox::DeleteSelected() {
    const int index = SelectedIndex();
    if (index < 0) {
        return;
    }
    delete takeItem(index);
    modified_ = true;
    SelectIndex(index < count() ? index : count() - 1);
}

void EditListBox::EndEdit(bool keep) {
    if (!editing_) {
        return;
    }
    // Cleared first: hiding the focused field moves the focus, which comes back here.
    editing_ = false;
    const bool newEntry = editingNewEntry_;
    editingNewEntry_ = false;
    QListWidgetItem* entry = edited_.isValid() ? itemFromIndex(edited_) : nullptr;
    QString refusal;
    const bool kept = keep && entry != nullptr && KeepEdit(entry, &refusal);
    if (!kept) {
        modified_ = modifiedBeforeEdit_;
    }
    if (!kept && entry != nullptr && (newEntry || (keep && refusal.isEmpty()))) {
        // A new entry left unchanged, or any entry emptied, goes; an emptied old one is a change.
        const int index = row(entry);
        delete takeItem(index);
        modified_ = newEntry ? modifiedBeforeAdd_ : true;
        SelectIndex(index < count() ? index : count() - 1);
    }
    edited_ = QPersistentModelIndex();
    // Enter and Esc hand the focus back to the list; hiding the focused field would pass it
    // to the next control instead, which would count as leaving the list.
    if (editor_->hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    editor_->hide();
    if (!refusal.isEmpty()) {
        emit EntryRefused(refusal);
    }
}

bool EditListBox::KeepEdit(QListWidgetItem* entry, QString* refusal) {
    const QString text = editor_->text().trimmed();
    if (text.isEmpty()) {
        return false;
    }
    if (check_) {
        QStringList others = Entries();
        others.removeAt(row(entry));
        *refusal = check_(text, others);
        if (!refusal->isEmpty()) {
            return false;
        }
    }
    entry->setText(text);
    return true;
}

void EditListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    StartEdit();
}

void EditListBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
        DeleteSelected();
        return;
    case Qt::Key_F2:
        StartEdit();
        return;
    default:
        QListWidget::keyPressEvent(event);
    }
}

bool EditListBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && editing_) {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            EndEdit(false);
            return true;
        }
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
            QApplication::focusWidget() != nullptr) {
            EndEdit(true);
        }
    }
    return QListWidget::eventFilter(watched, event);
}

bool EditListBox::Owns(const QWidget* widget) const {
    return widget == this || widget == editor_;
}

void EditListBox::FocusChanged(QWidget* old, QWidget* now) {
    // A window losing activation leaves the focus where it is; only a move to another control
    // of ours ends the edit and counts as leaving the list.
    if (!Owns(old) || Owns(now) || now == nullptr) {
        return;
    }
    EndEdit(true);
    emit Exited();
}

} // namespace sievra
