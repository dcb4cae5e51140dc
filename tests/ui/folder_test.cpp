// The two folder boxes: their pickers, the refusals and what is stored.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "config/pOstSync.h"
#include "tests/ui/window_fixture.h"
#include "ui/folder_checks.h"

namespace fs = std::filesystem;

namespace {

std::string text(const QLineEdit& edit) { return edit.text().toStdString(); }

}  // namespace

TEST(FolderChecks, PathPrefixIsTheProgramFolderCutShort) {
  const std::string program = "/m/tools/sync/";
  for (const char* refused : {"/m/tools/sync", "/m/tools/sy", "/m/tools/", "/m/tools", "/m/", "/m", "/"})
    EXPECT_TRUE(IsPathPrefixOf(program, refused)) << refused;
  for (const char* accepted : {"/m/tools/sync/", "/m/tools/sync/sub", "/m/tools/other", "", "/x"})
    EXPECT_FALSE(IsPathPrefixOf(program, accepted)) << accepted;
  EXPECT_FALSE(IsPathPrefixOf("", "/"));
  // A program at the root of a drive: only the cut-short form, never the root itself.
  EXPECT_TRUE(IsPathPrefixOf("/media/u/", "/media/u"));
  EXPECT_FALSE(IsPathPrefixOf("/media/u/", "/media/u/"));
}

TEST_F(WindowTest, HardDiskFolderPickedAndRefusedOnAUsbDrive) {
  open();
  auto& edit1 = widget<QLineEdit>("Edit1");
  EXPECT_TRUE(edit1.isReadOnly());
  pickDisk(diskDir);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(text(edit1), diskDir);
  EXPECT_EQ(SyncAction->DFolderPath(), diskDir);
  EXPECT_EQ(SyncAction->Ostini().DFolderPath(), diskDir);

  // The chooser starts in the folder the box holds.
  const std::string onUsb = usb.usb + "/资料";
  fs::create_directories(onUsb);
  pickDisk(onUsb);
  EXPECT_EQ(folderStart.toStdString(), diskDir);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].toStdString().find(onUsb), std::string::npos);
  EXPECT_EQ(text(edit1), diskDir);
  EXPECT_EQ(SyncAction->DFolderPath(), diskDir);

  folderAnswer.reset();  // cancelled
  widget<QPushButton>("Button2").click();
  EXPECT_EQ(text(edit1), diskDir);
  EXPECT_EQ(errors.size(), 1u);

  // A folder of the fixed drive that holds the stick's mount point.
  const std::string holdingStick = fs::path(usb.usb).parent_path().string();
  pickDisk(holdingStick);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors[1].toStdString().find("硬盘监测文件夹不能包含本程序所在的U盘"), std::string::npos);
  EXPECT_NE(errors[1].toStdString().find(holdingStick), std::string::npos);
  EXPECT_EQ(text(edit1), diskDir);
  EXPECT_EQ(SyncAction->DFolderPath(), diskDir);

  // A name with a line break could never be saved.
  const std::string twoLines = diskDir + "/a\nb";
  fs::create_directories(twoLines);
  pickDisk(twoLines);
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[2].toStdString().rfind("文件夹路径中不能含有换行符", 0), 0u);
  EXPECT_EQ(SyncAction->DFolderPath(), diskDir);
  const std::string usbTwoLines = usb.usb + "/x\ry";
  fs::create_directories(usbTwoLines);
  EXPECT_EQ(UsbFolderRefusal(usbTwoLines, usb.paths()).rfind("文件夹路径中不能含有换行符", 0), 0u);
}

TEST_F(WindowTest, UsbFolderRefusalsAndAcceptedFolders) {
  open();
  auto& edit3 = widget<QLineEdit>("Edit3");
  const std::string programFolder = usb.usb + "/工具";
  fs::create_directories(usb.usb + "/工");
  fs::create_directories(programFolder + "/子");
  const fs::path link = disk.path() / "链接";
  fs::create_directory_symlink(programFolder, link);

  // Another drive, the program's folder (also through a link), the drive's
  // root that holds it, and a cut-short form of its name.
  for (const std::string& refused : {diskDir, programFolder, link.string(), usb.usb, usb.usb + "/",
                                     usb.usb + "/工"})
    pickUsb(refused);
  ASSERT_EQ(errors.size(), 6u);
  EXPECT_NE(errors[0], errors[1]);
  EXPECT_EQ(errors[1], errors[2]) << "a link leads to the same folder";
  EXPECT_NE(errors[3], errors[1]);
  EXPECT_EQ(text(edit3), "");
  EXPECT_EQ(SyncAction->Ostini().UFolderPath(), "");

  pickUsb(programFolder + "/子");
  EXPECT_EQ(text(edit3), programFolder + "/子");
  EXPECT_EQ(SyncAction->UFolderAbsPath(), programFolder + "/子");
  EXPECT_EQ(SyncAction->Ostini().UFolderPath(), "工具/子");

  pickUsb(usbDir);
  EXPECT_EQ(SyncAction->Ostini().UFolderPath(), "同步");
  // A refused pick brings back the folder the box held.
  pickUsb(diskDir);
  EXPECT_EQ(errors.size(), 7u);
  EXPECT_EQ(text(edit3), usbDir);
  EXPECT_EQ(SyncAction->UFolderAbsPath(), usbDir);
}

TEST_F(WindowTest, ProgramAtTheDriveRootAcceptsTheRoot) {
  testsupport::FakeMachine stick;
  stick.addDisk("sdc", true);
  stick.addPartition("sdc", "sdc1");
  const std::string root = stick.addMount("media/STICK", "vfat", "/dev/sdc1", "8:33");
  stick.placeProgram("media/STICK/Drovan");
  fs::create_directories(root + "/子");
  CreateSyncAction(stick.paths());
  form_ = std::make_unique<TSyncForm>();

  // Nothing stored is the root, which is a valid choice here.
  auto& edit3 = widget<QLineEdit>("Edit3");
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(text(edit3), root + "/");
  pickUsb(root + "/子");
  EXPECT_EQ(SyncAction->Ostini().UFolderPath(), "子");
  pickUsb(root);  // the chooser names a mount point without its final "/"
  EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
  EXPECT_EQ(text(edit3), root + "/");
  EXPECT_EQ(SyncAction->UFolderAbsPath(), root + "/");
  EXPECT_EQ(SyncAction->Ostini().UFolderPath(), "");
}

TEST_F(WindowTest, StoredFolderRefusedAtStartKeepsTheRestAndTheStoredValue) {
  const std::string stored = usb.usb + "/旧资料";
  usb.writeIni("[U盘]\n同步文件夹=同步\n[硬盘]\n00-1A-2B-3C-4D-5E=" + stored +
               "\n[配置]\n全部监测=0\n监测文件类型=*.doc;*.txt\n被监测文件夹存在最新文件时=1\n");
  open();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].toStdString().find(stored), std::string::npos);
  EXPECT_EQ(text(widget<QLineEdit>("Edit1")), "");
  EXPECT_EQ(text(widget<QLineEdit>("Edit3")), usbDir);
  EXPECT_FALSE(widget<QCheckBox>("CheckBox2").isChecked());
  EXPECT_EQ(form_->RadioGroup1Index(), 1);
  EXPECT_TRUE(form_->isVisible());

  // No job starts with the refused folder.
  widget<QPushButton>("BtnSync").click();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[1], QStringLiteral("请设置好同步文件夹"));
  EXPECT_FALSE(SyncRunning);

  form_.reset();
  DestroySyncAction();
  EXPECT_NE(testsupport::readFile(usb.ini).find("00-1A-2B-3C-4D-5E=" + stored), std::string::npos);
}

TEST_F(WindowTest, FirstStartShowsNoRefusal) {
  open();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(text(widget<QLineEdit>("Edit1")), "");
  EXPECT_EQ(text(widget<QLineEdit>("Edit3")), "");
}
