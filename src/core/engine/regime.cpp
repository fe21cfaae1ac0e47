#include "core/engine/regime.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "core/base/large_memory.h"
#include "core/base/msgbox.h"

namespace ld {

std::string StaticCharFile;

TElementPool::~TElementPool() {
  DestroyFrom(0);
  for (TRegimeElement* block : blocks_) FreeZeroed(block, kBlockBytes);
}

void TElementPool::DestroyFrom(std::size_t n) {
  for (std::size_t k = n; k < made_; ++k) Slot(k)->~TRegimeElement();
  made_ = std::min(made_, n);
}

TRegimeElement* TElementPool::New() {
  if (count_ / kBlock == blocks_.size()) {
    auto* block = static_cast<TRegimeElement*>(AllocateZeroed(kBlockBytes));
    if (block == nullptr) throw std::bad_alloc();
    blocks_.push_back(block);
    const std::pair<std::uintptr_t, std::size_t> byAddress(reinterpret_cast<std::uintptr_t>(block),
                                                           blocks_.size() - 1);
    byAddress_.insert(std::upper_bound(byAddress_.begin(), byAddress_.end(), byAddress), byAddress);
  }
  TRegimeElement* e = Slot(count_);
  if (count_ < made_) {
    *e = TRegimeElement();
  } else {
    new (e) TRegimeElement();
    made_ = count_ + 1;
  }
  ++count_;
  return e;
}

void TElementPool::Clear() {
  if (blocks_.size() > 1) {
    DestroyFrom(kBlock);
    for (std::size_t b = 1; b < blocks_.size(); ++b) FreeZeroed(blocks_[b], kBlockBytes);
    blocks_.resize(1);
    byAddress_.assign(1, {reinterpret_cast<std::uintptr_t>(blocks_[0]), 0});
  }
  count_ = 0;
}

std::size_t TElementPool::IndexOf(const TRegimeElement* e) const {
  const auto address = reinterpret_cast<std::uintptr_t>(e);
  const auto it = std::upper_bound(byAddress_.begin(), byAddress_.end(), address,
                                   [](std::uintptr_t a, const auto& block) { return a < block.first; });
  return std::prev(it)->second * kBlock + (address - std::prev(it)->first) / sizeof(TRegimeElement);
}

TRegime::TRegime() = default;

TRegime::~TRegime() {
  FreeTimeData();
  ClearModel();
}

TRegimeElement* TRegime::NewElement() { return pool_.New(); }

void TRegime::AppendToTree(TRegimeElement* e) {
  // Creation order is tree order; the list order through Next is its reverse.
  if (lastInTree_ != nullptr) lastInTree_->NextInTree = e;
  e->Next = FirstElement;
  FirstElement = e;
  lastInTree_ = e;
}

void TRegime::ClearModel() {
  // A re-read model must refer to the same graph cache slots, so the numbers are kept by row.
  if (!GraphCache.empty()) {
    auto keep = [](std::vector<std::int32_t>& saved, int row, std::int32_t value) {
      if (value == 0 || row <= 0) return;
      if (saved.size() <= static_cast<std::size_t>(row)) saved.resize(row + 1, 0);
      saved[row] = value;
    };
    for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
      keep(SavedNg_n, e->NodeIndex, e->Ng_n);
      keep(SavedNq_n, e->NodeIndex, e->Nq_n);
      keep(SavedNg_g, e->NodeIndex, e->Ng_g);
      keep(SavedNq_g, e->NodeIndex, e->Nq_g);
      keep(SavedNg_u, e->NodeIndex, e->Ng_u);
      keep(SavedNg_kta, e->BranchIndex, e->Ng_kta);
      keep(SavedNg_ktr, e->BranchIndex, e->Ng_ktr);
    }
  }
  FreeMatrices();
  FreeTieList();  // the ties point at the elements freed here
  pool_.Clear();
  FirstElement = Root = lastInTree_ = nullptr;
  MaxResidualNode = MaxPResidualNode = MaxQResidualNode = nullptr;
  ContourEntry1.clear();
  ContourEntry2.clear();
  OpenLoopEntry1.clear();
  OpenLoopEntry2.clear();
  NodeCount = BranchCount = BalancingCount = FixedCount = UnsuppliedCount = 0;
  TotalContourCount = NetworkContourCount = MatrixEntryCount = NetworkEntryCount = 0;
  ContourCount = OpenLoopCount = 0;
  StaticCharCount = 0;
  A0.clear(); A1.clear(); A2.clear(); B0.clear(); B1.clear(); B2.clear();
  Nsh.clear();
  Ush.clear();
  BranchKtn.clear();
  SchemeRead = ModelError = ZeroContours = VoltagesSet = false;
  SchemePath.clear();
  SchemeName.clear();
}

void TRegime::ReportError(const std::string& text, int kind, bool setModelError) {
  if (ShowMessages) ShowMsgForm(text, kind, mbOk);
  if (Errors != nullptr) Errors->push_back(text);
  if (setModelError) ModelError = true;
}

void TRegime::Stage(const std::string& caption, int progress) {
  if (!caption.empty() && OnStage) OnStage(caption);
  if (OnProgress) OnProgress(progress);
}

std::string TRegime::SchemeQuoted() const { return "Схема \"" + SchemeName + "\""; }

}  // namespace ld
