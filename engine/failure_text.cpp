#include "engine/failure_text.h"

#include <string_view>

namespace kelvax {

namespace {

// Kinds that always come with words of their own have no standard text.
struct Legacy {
  StatusCode code;
  long number;
  const char* text;
};

constexpr Legacy kLegacy[] = {
    {StatusCode::kNoDiagnostic, 40200, ""},
    {StatusCode::kInvalidArgument, 5, ""},
    {StatusCode::kOverflow, 6, "オーバーフローしました。"},
    {StatusCode::kOutOfMemory, 7, "メモリが不足しています。"},
    {StatusCode::kIndexOutOfRange, 9, "インデックスが有効範囲にありません。"},
    {StatusCode::kTypeMismatch, 13, "型が一致しません。"},
    {StatusCode::kBadFileName, 52, "ファイル名または番号が不正です。"},
    {StatusCode::kFileNotFound, 53, ""},
    {StatusCode::kFileAlreadyOpen, 55, ""},
    {StatusCode::kFileIo, 57, ""},
    {StatusCode::kFileAlreadyExists, 58, ""},
    {StatusCode::kPermissionDenied, 70, ""},
    {StatusCode::kPathNotFound, 76, ""},
    {StatusCode::kObjectNotSet, 91,
     "オブジェクト変数または With ブロック変数が設定されていません。"},
    {StatusCode::kUnexpected, 440, ""},
    {StatusCode::kClipboard, 521, ""},
    {StatusCode::kObjectExists, 3012, ""},
    {StatusCode::kNoCurrentRow, 3021, "カレント レコードがありません。"},
    {StatusCode::kTextAfterStatement, 3142, "SQL ステートメントの後に文字があります。"},
    {StatusCode::kObjectNotFound, 3265, ""},
};

const Legacy* Find(StatusCode code) {
  for (const Legacy& l : kLegacy) {
    if (l.code == code) return &l;
  }
  return nullptr;
}

// Error numbers for diagnostics whose native code is 0, one per SQLSTATE class. Native codes
// are whatever the driver uses; these sit in a range of their own so that a log reader can tell
// them apart from the program's small numbers (5, 53, 3021, ...).
//
//   class                                   number
//   00-99 (two digits: 01 warning,          40000 + the class, e.g. 08 -> 40008,
//          07 dynamic SQL, 08 connection,   22 -> 40022, 42 -> 40042
//          22 data, 23 constraint,
//          24 cursor state, 25 transaction,
//          28 authorisation, 40 rollback,
//          42 syntax or access, ...)
//   HY, S1 (general / call errors)          40100
//   IM (driver manager)                     40101
//   HZ (remote data access)                 40102
//   any other class (3C, 3D, 3F, ...)       40199
//   failure without a diagnostic record     40200
long ClassNumber(std::string_view sqlstate) {
  constexpr long kClassBase = 40000, kGeneralClass = 40100, kDriverManagerClass = 40101,
                 kRemoteAccessClass = 40102, kOtherClass = 40199;
  if (sqlstate.size() < 2) return kOtherClass;
  const char a = sqlstate[0], b = sqlstate[1];
  if (a >= '0' && a <= '9' && b >= '0' && b <= '9') return kClassBase + (a - '0') * 10 + (b - '0');
  const std::string_view cls = sqlstate.substr(0, 2);
  if (cls == "HY" || cls == "S1") return kGeneralClass;
  if (cls == "IM") return kDriverManagerClass;
  if (cls == "HZ") return kRemoteAccessClass;
  return kOtherClass;
}

}  // namespace

long RecordNumber(const Status& status) {
  if (status.Is(StatusCode::kNative)) {
    return status.native() != 0 ? status.native() : ClassNumber(status.sqlstate());
  }
  const Legacy* l = Find(status.code());
  return l ? l->number : 0;
}

std::string RecordText(const Status& status) {
  if (!status.description().empty() || status.Is(StatusCode::kNative)) return status.description();
  const Legacy* l = Find(status.code());
  return l ? l->text : "";
}

}  // namespace kelvax
