#pragma once
// The equipment catalogues of transformers, reactors and switching devices, and the passport lists
// of the units installed in a district or scheme. Each kind keeps at most one loaded catalogue and
// one loaded list; look-ups report failure by False and the kind's error text, never by a message.
#include <string>

#include "core/catalogs/catalog_records.h"
#include "core/tables/layout.h"

namespace ld {

inline const std::string CatalogFileT2 = "sprav_t2.cat";
inline const std::string CatalogFileT3 = "sprav_t3.cat";
inline const std::string CatalogFileTR = "sprav_tr.cat";
inline const std::string CatalogFileRT = "sprav_RT.cat";
inline const std::string CatalogFileKA = "sprav_KA.cat";

inline const std::string CatalogLayoutT2 = "Справочник ТР(2)";
inline const std::string CatalogLayoutT3 = "Справочник ТР(3)";
inline const std::string CatalogLayoutTR = "Справочник ТР(р)";
inline const std::string CatalogLayoutRT = "Справочник токоогр.реакторов";
inline const std::string CatalogLayoutKA = "Коммутационные аппараты";

// The reason of the last failure of each kind; a success leaves it as it was.
extern std::string CatalogErrorT2;
extern std::string CatalogErrorT3;
extern std::string CatalogErrorTR;
extern std::string CatalogErrorRT;
extern std::string CatalogErrorKA;

// Loading replaces what the kind had loaded. A missing file is created empty with the kind's title.
// With sort the rows are put in the layout's key order and a reordered file is written back.
// Catalogues come from folder (ending with the path separator); lists are named whole.
// Table-store failures throw ld::Error.
void LoadCatalogT2(const std::string& folder, bool sort);
void LoadCatalogT3(const std::string& folder, bool sort);
void LoadCatalogTR(const std::string& folder, bool sort);
void LoadCatalogRT(const std::string& folder, bool sort);
void LoadCatalogKA(const std::string& folder, bool sort);
void FreeCatalogT2();
void FreeCatalogT3();
void FreeCatalogTR();
void FreeCatalogRT();
void FreeCatalogKA();

void LoadListT2(const std::string& fileName, bool sort);
void LoadListT3(const std::string& fileName, bool sort);
void LoadListTR(const std::string& fileName, bool sort);
void LoadListRT(const std::string& fileName, bool sort);
void FreeListT2();
void FreeListT3();
void FreeListTR();
void FreeListRT();

// The text by which a row is chosen (index 1-based): T2 "ТМ-400/10/0.4", T3 Mark-Sv/Uv/Us/Un,
// TR Mark-Sv/Uv/Un1/Un2, RT Mark-Unom-Inom-Xr, KA Mark-Unom-Inom. Empty when that table is not
// loaded or index is out of range.
std::string CatalogT2Caption(int index, bool fromCatalog);
std::string CatalogT3Caption(int index, bool fromCatalog);
std::string CatalogTRCaption(int index, bool fromCatalog);
std::string CatalogRTCaption(int index, bool fromCatalog);
std::string CatalogKACaption(int index);

// Name of a passport list row; empty as for captions.
std::string ListT2Name(int index);
std::string ListT3Name(int index);
std::string ListTRName(int index);
std::string ListRTName(int index);

// Finds the first catalogue row whose caption is text (mark in any letter case, numbers compared as
// single-precision values, so "0,4" and "0.40" both mean 0.4) and fills rec.
bool FindT2ByMark(const std::string& text, TRecT2& rec);
bool FindT3ByMark(const std::string& text, TRecT3& rec);
bool FindTRByMark(const std::string& text, TRecTR& rec);
bool FindRTByMark(const std::string& text, TRecRT& rec);
bool FindKAByMark(const std::string& text, TRecKA& rec);

// The row the Find...ByMark would take; 0 when none. Sets no error text.
int IndexOfT2Mark(const std::string& text);
int IndexOfT3Mark(const std::string& text);
int IndexOfTRMark(const std::string& text);
int IndexOfRTMark(const std::string& text);
int IndexOfKAMark(const std::string& text);

// Finds the first passport list row whose Name equals name in any letter case and fills rec.
bool FindT2InList(const std::string& name, TRecT2& rec);
bool FindT3InList(const std::string& name, TRecT3& rec);
bool FindTRInList(const std::string& name, TRecTR& rec);
bool FindRTInList(const std::string& name, TRecRT& rec);

// The row FindT2InList would take; 0 when none or name is empty.
int IndexOfT2Name(const std::string& name);
int IndexOfT3Name(const std::string& name);
int IndexOfTRName(const std::string& name);
int IndexOfRTName(const std::string& name);

}  // namespace ld
