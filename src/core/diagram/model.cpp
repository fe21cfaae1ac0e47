#include "core/diagram/model.h"

namespace ld::diagram {

SElem::SElem() = default;
SElem::~SElem() = default;

TSchemeModel::TSchemeModel() = default;
TSchemeModel::~TSchemeModel() = default;

PSElem TSchemeModel::Append() {
  elems_.push_back(std::make_unique<SElem>());
  PSElem e = elems_.back().get();
  e->Prev = Last;
  if (Last != nullptr) Last->Next = e;
  if (First == nullptr) First = e;
  Last = e;
  return e;
}

void TSchemeModel::Clear() {
  First = nullptr;
  Last = nullptr;
  // Nested models go with their elements; they are at most a level or two deep.
  elems_.clear();
  RefList = {};
  TargetList = {};
  TierTracks = {};
  TierSections = {};
  TierHeight = {};
  TierLabelRows = {};
  TierHasTransformer = {};
}

}  // namespace ld::diagram
