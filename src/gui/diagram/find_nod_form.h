#pragma once
// "Поиск узла на схеме": the captions of the diagram's elements, found by typing their beginning.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QListWidget;

namespace ld::gui {

struct TFoundNode {
  std::string Caption;
  const void* Element = nullptr;
};

// A tap-off node's caption ("ОТП…", "ВІДП…" in any letter case, "_…"): such nodes are not offered.
bool IsTapOffCaption(const std::string& caption);

// The characters typed into the list since the last arrow key or click; one for the program.
std::string& TypedPrefix();

class TFindNodFrm : public QDialog {
  Q_OBJECT

public:
  // Items are shown sorted by their Windows-1251 codes.
  explicit TFindNodFrm(std::vector<TFoundNode> items, QWidget* parent = nullptr);
  const void* Chosen() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void NodListKeyPress(const QString& text);

  std::vector<TFoundNode> items_;
  QListWidget* NodList;
};

// Runs the dialog over the captions; the chosen element, or nullptr when cancelled or none listed.
const void* ChooseFoundNode(std::vector<TFoundNode> items);

inline std::string CaptionTextOf(const std::string& caption) { return caption; }
template <class P>
std::string CaptionTextOf(const P& caption) {
  return caption ? std::string(*caption) : std::string();
}

// Lists the captions of the chain from First (nested models of expanded substations are not walked)
// and returns the chosen element.
template <class TElem>
TElem* FindNodeDialog(TElem* First) {
  TypedPrefix().clear();
  std::vector<TFoundNode> items;
  for (TElem* e = First; e != nullptr; e = e->Next) {
    std::string caption = CaptionTextOf(e->Caption);
    if (caption.empty() || IsTapOffCaption(caption)) continue;
    items.push_back({std::move(caption), e});
  }
  return static_cast<TElem*>(const_cast<void*>(ChooseFoundNode(std::move(items))));
}

}  // namespace ld::gui
