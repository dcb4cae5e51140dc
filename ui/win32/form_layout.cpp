#include "ui/win32/form_layout.h"

namespace win32ui {

namespace {

using K = ControlKind;

// Radio items spread over their group's 88 pixels, one per row.
constexpr int kRadioTop = 16, kRadioStep = 23, kRadioHeight = 20;

const std::vector<ControlRow> kRows = {
    {id::PageControl1, "PageControl1", K::Page, "", "", 0, 0, kClientWidth, kClientHeight},
    {id::TabSheet1, "TabSheet1", K::Page, "PageControl1", "", 0, 0, kClientWidth, kClientHeight},
    {id::TabSheet2, "TabSheet2", K::Page, "PageControl1", "", 0, 0, kClientWidth, kClientHeight, false},
    {id::TabSheet3, "TabSheet3", K::Page, "PageControl1", "", 0, 0, kClientWidth, kClientHeight, false},

    {id::Label1, "Label1", K::Label, "TabSheet1", "硬盘监测文件夹", 32, 16, 0, 0},
    {id::Edit1, "Edit1", K::FolderBox, "TabSheet1", "", 134, 13, 478, 21},
    {id::Button2, "Button2", K::Button, "TabSheet1", "..", 618, 13, 21, 22},
    {id::Label4, "Label4", K::Label, "TabSheet1", "U盘监测文件夹", 32, 44, 0, 0},
    {id::Edit3, "Edit3", K::FolderBox, "TabSheet1", "", 134, 41, 478, 21},
    {id::Button5, "Button5", K::Button, "TabSheet1", "..", 618, 40, 21, 22},
    {id::Button1, "Button1", K::Button, "TabSheet1", "选  项", 376, 68, 89, 25},
    {id::Button8, "Button8", K::Button, "TabSheet1", "帮  助", 480, 68, 89, 25},
    {id::GroupBox7, "GroupBox7", K::Group, "TabSheet1", "手动同步", 40, 104, 625, 117},
    {id::BtnSync, "BtnSync", K::Button, "GroupBox7", "手动-自动判断同步源", 24, 19, 313, 25},
    {id::BtnSyncDiskToU, "BtnSyncDiskToU", K::Button, "GroupBox7", "手动-同步本地硬盘到U盘", 24, 50, 313, 25},
    {id::BtnSyncUToDisk, "BtnSyncUToDisk", K::Button, "GroupBox7", "手动-同步U盘到本地硬盘", 24, 86, 313, 25},
    // In the group's free right half, level with the automatic sync it previews.
    {id::BtnPreview, "BtnPreview", K::Button, "GroupBox7", "预览", 352, 19, 249, 25},
    // The whole job's progress; hidden while idle.
    {id::ProgressJob, "ProgressJob", K::Progress, "GroupBox7", "", 352, 52, 249, 18, false},
    {id::LabelProgress, "LabelProgress", K::Label, "GroupBox7", "", 352, 73, 249, 38, false},
    // The timed automatic mode is not offered; its switch exists, hidden.
    {id::CheckBox1, "CheckBox1", K::CheckBox, "TabSheet1", "自动同步", 0, 0, 0, 0, false},
    {id::Memo2, "Memo2", K::Memo, "TabSheet1", "", 0, kClientHeight - 201, kClientWidth, 201},

    {id::GroupBox1, "GroupBox1", K::Group, "TabSheet2", "主监测文件监测选项", 0, 0, kClientWidth, 329},
    {id::CheckBox2, "CheckBox2", K::CheckBox, "GroupBox1", "全部监测", 16, 16, 0, 0},
    {id::GroupBox2, "GroupBox2", K::Group, "GroupBox1", "监测文件后缀名（允许?和* 通配符，以;隔开）", 3, 36, 329, 106},
    {id::Memo3, "Memo3", K::Memo, "GroupBox2", "", 4, 15, 321, 87},
    {id::GroupBox5, "GroupBox5", K::Group, "GroupBox1", "不监测文件后缀名（允许?和* 通配符，以;隔开）", 341, 36, 316, 106},
    {id::Memo1, "Memo1", K::Memo, "GroupBox5", "", 4, 15, 308, 87},
    {id::GroupBox3, "GroupBox3", K::Group, "GroupBox1", "手动同步策略", 3, 193, 657, 128},
    {id::RadioGroup1, "RadioGroup1", K::Group, "GroupBox3", "被同步文件夹存在同名新文件时", 14, 29, 315, 88},
    {id::RadioGroup1Item0, "RadioGroup1Item0", K::Radio, "RadioGroup1", "同步文件夹中旧文件覆盖被同步文件夹新文件", 8,
     kRadioTop, 303, kRadioHeight},
    {id::RadioGroup1Item1, "RadioGroup1Item1", K::Radio, "RadioGroup1", "忽略，不操作", 8, kRadioTop + kRadioStep, 303,
     kRadioHeight},
    {id::RadioGroup1Item2, "RadioGroup1Item2", K::Radio, "RadioGroup1", "被同步文件夹新文件覆盖同步文件夹旧文件", 8,
     kRadioTop + 2 * kRadioStep, 303, kRadioHeight},
    {id::RadioGroup2, "RadioGroup2", K::Group, "GroupBox3", "被同步文件夹存在同步文件夹没有的文件时", 338, 29, 316, 88},
    {id::RadioGroup2Item0, "RadioGroup2Item0", K::Radio, "RadioGroup2", "删除被同步文件夹中的相应文件", 8, kRadioTop, 304,
     kRadioHeight},
    {id::RadioGroup2Item1, "RadioGroup2Item1", K::Radio, "RadioGroup2", "忽略，不操作", 8, kRadioTop + kRadioStep, 304,
     kRadioHeight},
    {id::RadioGroup2Item2, "RadioGroup2Item2", K::Radio, "RadioGroup2", "复制相应文件到同步文件夹", 8,
     kRadioTop + 2 * kRadioStep, 304, kRadioHeight},
    {id::Button15, "Button15", K::Button, "TabSheet2", "返回", 613, 400, 75, 25},
    // In the free band under the strategies, left of the return button.
    {id::GroupBoxSafety, "GroupBoxSafety", K::Group, "TabSheet2", "安全保护", 0, 333, 600, 88},
    {id::CheckBoxVersions, "CheckBoxVersions", K::CheckBox, "GroupBoxSafety",
     "删除或覆盖文件前保留旧版本（存放在同步文件夹的 .~drovan-versions 中）", 16, 18, 0, 0},
    {id::LabelVersionDays, "LabelVersionDays", K::Label, "GroupBoxSafety", "旧版本保留天数：", 34, 42, 0, 0},
    {id::SpinVersionDays, "SpinVersionDays", K::Spin, "GroupBoxSafety", "", 150, 38, 70, 22},
    {id::LabelConfirmFiles, "LabelConfirmFiles", K::Label, "GroupBoxSafety", "一次删除或覆盖的文件达到", 16, 64, 0, 0},
    {id::SpinConfirmFiles, "SpinConfirmFiles", K::Spin, "GroupBoxSafety", "", 190, 60, 70, 22},
    {id::LabelConfirmFiles2, "LabelConfirmFiles2", K::Label, "GroupBoxSafety",
     "个且超过一半时，先询问再同步（0为不询问）", 266, 64, 0, 0},
    {id::LabelFatHours, "LabelFatHours", K::Label, "GroupBoxSafety", "FAT格式U盘时间整点相差", 270, 42, 0, 0},
    {id::SpinFatHours, "SpinFatHours", K::Spin, "GroupBoxSafety", "", 418, 38, 50, 22},
    {id::LabelFatHours2, "LabelFatHours2", K::Label, "GroupBoxSafety", "小时内视为未改动", 474, 42, 0, 0},

    {id::Memo4, "Memo4", K::ReadOnlyMemo, "TabSheet3", "", 0, 0, kClientWidth, 392},
    {id::Button9, "Button9", K::Button, "TabSheet3", "返回", 605, 400, 75, 25},
};

}  // namespace

const std::vector<ControlRow>& FormRows() { return kRows; }

const ControlRow* RowNamed(std::string_view name) {
  for (const ControlRow& row : kRows)
    if (row.name == name) return &row;
  return nullptr;
}

const ControlRow* RowOfId(int controlId) {
  for (const ControlRow& row : kRows)
    if (row.id == controlId) return &row;
  return nullptr;
}

}  // namespace win32ui
