#pragma once
// The cells of a scheme's node and branch tables as model building reads them: rows are 1-based, a
// node sign is the first letter upper-cased, the commutation letter is its Windows-1251 byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/tables/colmaps.h"
#include "core/tables/layout.h"

namespace ld {

// The node and branch tables of a scheme with their files, as its last read or write-back left them.
struct TKeptTables {
  std::string NodeFile, BranchFile;  // empty while the table is not that of a file
  TDataFile Nodes, Branches;
};

// Starts fetching a whole record. Passes in row order reach the element records of consecutive rows far
// apart in memory, and waiting for each in turn costs more than the work done on it.
template <typename T>
inline void PrefetchRecord(const T* record) {
  const char* bytes = reinterpret_cast<const char*>(record);
  for (std::size_t k = 0; k < sizeof(T); k += 64) __builtin_prefetch(bytes + k);
}
// How many rows ahead those passes fetch.
inline constexpr int kFetchAhead = 8;

// Starts fetching the cache line of p. Unlike __builtin_prefetch, which the compiler drops from a walk
// whose only other work is fetching, this stays where it is written.
inline void FetchLine(const void* p) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
  __builtin_prefetch(p);
#endif
}

// Walks the elements from `first` in tree order. The records lie in tree order, but what a walk looks up
// by an element's rows lies at random: `ahead` is shown each element some places before `visit`, to
// start fetching what the visit will read.
template <typename T, typename Ahead, typename Visit>
inline void WalkTreeFetching(T* first, Ahead&& ahead, Visit&& visit) {
  constexpr int kTreeAhead = 16;
  T* early = first;
  for (int k = 0; k < kTreeAhead && early != nullptr; ++k, early = early->NextInTree) ahead(early);
  for (T* e = first; e != nullptr; e = e->NextInTree) {
    if (early != nullptr) {
      ahead(early);
      early = early->NextInTree;
    }
    visit(e);
  }
}

// The table of a file as it is on disk: the kept one while the file keeps the date it had when it was
// read or written, else read again into it.
TDataFile& CurrentTable(const std::string& file, std::string& keptFile, TDataFile& kept);

class TSchemeTables {
public:
  TSchemeTables(TDataFile& nodes, TDataFile& branches) : nodes_(nodes), branches_(branches) {
    FillNodeCols(nodes, n_);
    FillBranchCols(branches, b_);
    if (!nodes.MarkRec) nodes.MarkRec = std::make_unique<DAbyte>(nodes.RowCount);
    if (!branches.MarkRec) branches.MarkRec = std::make_unique<DAbyte>(branches.RowCount);
  }

  const std::string& Title() const { return nodes_.Title; }
  int NodeCount() const { return n_.RowCount; }
  int BranchCount() const { return b_.RowCount; }

  std::uint8_t NodeMark(int r) const { return nodes_.MarkRec->Get(r); }
  void SetNodeMark(int r, std::uint8_t mark) { (*nodes_.MarkRec)[r] = mark; }
  std::uint8_t BranchMark(int r) const { return branches_.MarkRec->Get(r); }
  void SetBranchMark(int r, std::uint8_t mark) { (*branches_.MarkRec)[r] = mark; }

  // 'B', 'U', another letter or 0; Latin letters upper-cased ("b" is a balancing node).
  char Sign(int r) const {
    const char c = n_.Sign->Get(r);
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  std::int32_t NS(int r) const { return n_.NS->Get(r); }
  // Start fetching the cells that Sign and NS of row r read.
  void FetchSign(int r) const {
    if (r >= 0 && r < n_.Sign->Size()) FetchLine(n_.Sign->Data() + r);
  }
  void FetchNS(int r) const {
    if (r >= 0 && r < n_.NS->Size()) FetchLine(n_.NS->Data() + r);
  }
  std::string Name(int r) const { return n_.Name->GetItem(r); }
  std::string_view NameView(int r) const { return n_.Name->GetView(r); }
  double Pn(int r) const { return n_.Pn->Get(r); }
  double Qn(int r) const { return n_.Qn->Get(r); }
  double Pg(int r) const { return n_.Pg->Get(r); }
  double Qg(int r) const { return n_.Qg->Get(r); }
  double Urez(int r) const { return n_.Urez->Get(r); }
  double Angle(int r) const { return n_.Angle->Get(r); }
  double WPn(int r) const { return n_.WPn->Get(r); }
  double WQn(int r) const { return n_.WQn->Get(r); }
  double WPg(int r) const { return n_.WPg->Get(r); }
  double WQg(int r) const { return n_.WQg->Get(r); }
  float Ina(int r) const { return n_.Ina->Get(r); }
  float Inr(int r) const { return n_.Inr->Get(r); }
  float Iga(int r) const { return n_.Iga->Get(r); }
  float Igr(int r) const { return n_.Igr->Get(r); }
  float Gs(int r) const { return n_.Gs->Get(r); }
  float Bs(int r) const { return n_.Bs->Get(r); }
  float Um(int r) const { return n_.Um->Get(r); }
  float Qmin(int r) const { return n_.Qmin->Get(r); }
  float Qmax(int r) const { return n_.Qmax->Get(r); }
  float Ush(int r) const { return n_.Ush->Get(r); }
  float Kvi(int r) const { return n_.Kvi->Get(r); }
  float Kvu(int r) const { return n_.Kvu->Get(r); }
  std::int16_t Nsh(int r) const { return n_.Nsh->Get(r); }
  std::int32_t Ng_n(int r) const { return n_.Ng_n->Get(r); }
  std::int32_t Ng_g(int r) const { return n_.Ng_g->Get(r); }
  std::int32_t Nq_n(int r) const { return n_.Nq_n->Get(r); }
  std::int32_t Nq_g(int r) const { return n_.Nq_g->Get(r); }
  std::int32_t Ng_u(int r) const { return n_.Ng_u->Get(r); }

  std::int32_t N1(int r) const { return b_.N1->Get(r); }
  std::int32_t N2(int r) const { return b_.N2->Get(r); }
  std::uint8_t Nl(int r) const { return b_.Nl->Get(r); }
  std::uint8_t Tz(int r) const { return b_.Tz->Get(r); }
  unsigned char Commut(int r) const { return static_cast<unsigned char>(b_.Commut->Get(r)); }
  bool MarkCom1Is(int r, std::string_view text) const { return b_.MarkCom1->GetView(r) == text; }
  bool MarkCom2Is(int r, std::string_view text) const { return b_.MarkCom2->GetView(r) == text; }
  float R(int r) const { return b_.R->Get(r); }
  float X(int r) const { return b_.X->Get(r); }
  float G(int r) const { return b_.G->Get(r); }
  float B(int r) const { return b_.B->Get(r); }
  float Kta(int r) const { return b_.Kta->Get(r); }
  float Ktr(int r) const { return b_.Ktr->Get(r); }
  float Ktn(int r) const { return b_.Ktn->Get(r); }
  float Kflow(int r) const { return b_.Kflow->Get(r); }
  float Idop(int r) const { return b_.Idop->Get(r); }
  float Sdop(int r) const { return b_.Sdop->Get(r); }
  float U1(int r) const { return b_.U1->Get(r); }
  float F1(int r) const { return b_.F1->Get(r); }
  float U2(int r) const { return b_.U2->Get(r); }
  float F2(int r) const { return b_.F2->Get(r); }
  float Ia(int r) const { return b_.Ia->Get(r); }
  float Ir(int r) const { return b_.Ir->Get(r); }
  std::int16_t Ng_kta(int r) const { return b_.Ng_kta->Get(r); }
  std::int16_t Ng_ktr(int r) const { return b_.Ng_ktr->Get(r); }

private:
  TDataFile& nodes_;
  TDataFile& branches_;
  TNodeCols n_;
  TBranchCols b_;
};

}  // namespace ld
