// Every control of the window as a row: its id, its name (the same as the Qt
// window's object names), its kind, the control it sits in, its caption and
// its position in the parent's client area. The form is built from these
// rows and the tests check the built form against them.
#pragma once

#include <string_view>
#include <vector>

namespace win32ui {

enum class ControlKind {
  Page,      // a plain panel (the page control and its pages)
  Label,     // sized to its caption when width and height are 0
  FolderBox, // read-only one-line edit
  Button,
  Group,
  CheckBox,  // sized to its caption when width and height are 0
  Radio,
  Memo,      // multi-line edit
  ReadOnlyMemo,
  Spin,      // a number box with its up-down arrows
  Progress,
};

struct ControlRow {
  int id;
  std::string_view name;
  ControlKind kind;
  std::string_view parent;  // "" for the form itself
  std::string_view caption;
  int x, y, width, height;
  bool visible = true;
};

inline constexpr int kClientWidth = 709;
inline constexpr int kClientHeight = 456;

// In creation order: a parent before its children.
const std::vector<ControlRow>& FormRows();
// The row of a name or id; nullptr when there is none.
const ControlRow* RowNamed(std::string_view name);
const ControlRow* RowOfId(int id);

// Ids of the controls the form's code refers to.
namespace id {
inline constexpr int PageControl1 = 100, TabSheet1 = 101, TabSheet2 = 102, TabSheet3 = 103;
inline constexpr int Label1 = 110, Edit1 = 111, Button2 = 112, Label4 = 113, Edit3 = 114, Button5 = 115;
inline constexpr int Button1 = 116, Button8 = 117, GroupBox7 = 118, BtnSync = 119, BtnSyncDiskToU = 120;
inline constexpr int BtnSyncUToDisk = 121, BtnPreview = 122, ProgressJob = 123, LabelProgress = 124;
inline constexpr int CheckBox1 = 125, Memo2 = 126;
inline constexpr int GroupBox1 = 130, CheckBox2 = 131, GroupBox2 = 132, Memo3 = 133, GroupBox5 = 134, Memo1 = 135;
inline constexpr int GroupBox3 = 136, RadioGroup1 = 137, RadioGroup1Item0 = 138, RadioGroup1Item1 = 139;
inline constexpr int RadioGroup1Item2 = 140, RadioGroup2 = 141, RadioGroup2Item0 = 142, RadioGroup2Item1 = 143;
inline constexpr int RadioGroup2Item2 = 144, Button15 = 145, GroupBoxSafety = 146, CheckBoxVersions = 147;
inline constexpr int LabelVersionDays = 148, SpinVersionDays = 149, LabelConfirmFiles = 150;
inline constexpr int SpinConfirmFiles = 151, LabelConfirmFiles2 = 152, LabelFatHours = 153, SpinFatHours = 154;
inline constexpr int LabelFatHours2 = 155;
inline constexpr int Memo4 = 160, Button9 = 161;
// Menu items.
inline constexpr int N1 = 200, U1 = 201, U2 = 202, N3 = 203, N5 = 204, N6 = 205, N7 = 206, N8 = 207;
}  // namespace id

}  // namespace win32ui
