#include "workbench/tree/TreeNodes.h"

#include "server/MySql.h"
#include "sql/QtText.h"

namespace {
template <class T> T* Carried(const std::variant<TMySql*, TDatabase*, TTable*, const TField*>& data) {
    if (auto p = std::get_if<T*>(&data)) return *p;
    return nullptr;
}
} // namespace

TTreeNode::TTreeNode(TMySql* host) : QTreeWidgetItem(UserType), FData(host) {
    setText(0, QtText(host->Name));
}

TTreeNode::TTreeNode(TDatabase* database) : QTreeWidgetItem(UserType), FData(database) {
    setText(0, QtText(database->Name));
}

TTreeNode::TTreeNode(TTable* table) : QTreeWidgetItem(UserType), FData(table) {
    setText(0, QtText(table->Name));
}

TTreeNode::TTreeNode(const TField* field) : QTreeWidgetItem(UserType), FData(field) {
    setText(0, QtText(field->Name));
}

TTreeNode::~TTreeNode() = default;

TMySql* TTreeNode::Host() const {
    return Carried<TMySql>(FData);
}
TDatabase* TTreeNode::Database() const {
    return Carried<TDatabase>(FData);
}
TTable* TTreeNode::Table() const {
    return Carried<TTable>(FData);
}
const TField* TTreeNode::Field() const {
    return Carried<const TField>(FData);
}

void TTreeNode::SetImages(int image, int selected) {
    if (image == FImageIndex && selected == FSelectedIndex) return;
    FImageIndex = image;
    FSelectedIndex = selected;
    emitDataChanged();
}

void TTreeNode::SetStateIndex(int index) {
    if (index == FStateIndex) return;
    FStateIndex = index;
    emitDataChanged();
}

void TTreeNode::SetFilteredOut(bool out) {
    if (out == FFilteredOut) return;
    FFilteredOut = out;
    setHidden(out);
}

const QString& TTreeNode::FoldedText() const {
    if (FFolded.isNull()) FFolded = text(0).toCaseFolded();
    return FFolded;
}
