<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>tolvane::CAboutDlg</name>
    <message>
        <source>關於Tolvane  中文化：</source>
        <translation>About Tolvane  Chinese translation: </translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>作者:</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>電子郵件:</source>
        <translation>E-mail:</translation>
    </message>
    <message>
        <source>首頁:</source>
        <translation>Web page:</translation>
    </message>
</context>
<context>
    <name>tolvane::CAboutIcon</name>
    <message>
        <source>顯示程式的版本與作者。</source>
        <translation>Shows the program&apos;s version and its author.</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>About %1</translation>
    </message>
</context>
<context>
    <name>tolvane::CHyperLink</name>
    <message>
        <source>The operating system is out
of memory or resources.</source>
        <translation>The operating system is out
of memory or resources.</translation>
    </message>
    <message>
        <source>The specified file was not found.</source>
        <translation>The specified file was not found.</translation>
    </message>
    <message>
        <source>The specified path was not found.</source>
        <translation>The specified path was not found.</translation>
    </message>
    <message>
        <source>The operating system denied
access to the specified file.</source>
        <translation>The operating system denied
access to the specified file.</translation>
    </message>
    <message>
        <source>There was not enough memory to complete the operation.</source>
        <translation>There was not enough memory to complete the operation.</translation>
    </message>
    <message>
        <source>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</source>
        <translation>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</translation>
    </message>
    <message>
        <source>A sharing violation occurred. </source>
        <translation>A sharing violation occurred. </translation>
    </message>
    <message>
        <source>The filename association is
incomplete or invalid.</source>
        <translation>The filename association is
incomplete or invalid.</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>There is no application associated
with the given filename extension.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>The specified dynamic-link library was not found.</translation>
    </message>
    <message>
        <source>Unknown Error (%1) occurred.</source>
        <translation>Unknown Error (%1) occurred.</translation>
    </message>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>Unable to open hyperlink:

</translation>
    </message>
</context>
<context>
    <name>tolvane::CSelectFolderDialog</name>
    <message>
        <source>Invalid Folder</source>
        <translation>Invalid Folder</translation>
    </message>
    <message>
        <source>

This path does not exist. Do you want to create it?</source>
        <translation>

This path does not exist. Do you want to create it?</translation>
    </message>
    <message>
        <source>Could not create folder:
</source>
        <translation>Could not create folder:
</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Select folder</translation>
    </message>
    <message>
        <source>Current Folder:</source>
        <translation>Current Folder:</translation>
    </message>
</context>
<context>
    <name>tolvane::CTolvaneDlg</name>
    <message>
        <source>The source and the target are the same folder.</source>
        <translation>The source and the target are the same folder.</translation>
    </message>
    <message>
        <source>The source is not a folder.</source>
        <translation>The source is not a folder.</translation>
    </message>
    <message>
        <source>The source folder cannot be read: %1.</source>
        <translation>The source folder cannot be read: %1.</translation>
    </message>
    <message>
        <source>The target is not a folder.</source>
        <translation>The target is not a folder.</translation>
    </message>
    <message>
        <source>The target folder cannot be created or read: %1.</source>
        <translation>The target folder cannot be created or read: %1.</translation>
    </message>
    <message>
        <source>These folders are being updated by another run.</source>
        <translation>These folders are being updated by another run.</translation>
    </message>
    <message>
        <source>開啟資料夾選擇對話方塊</source>
        <translation>Opens a folder picker; the chosen folder is shown below.</translation>
    </message>
    <message>
        <source>目錄:</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>選擇來源目錄</source>
        <translation>Choose the source folder</translation>
    </message>
    <message>
        <source>選擇目標目錄</source>
        <translation>Choose the target folder</translation>
    </message>
    <message>
        <source>統計</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>(準備好)</source>
        <translation>(Ready)</translation>
    </message>
    <message>
        <source>由來源刪除更新檔案</source>
        <translation>Delete files from source</translation>
    </message>
    <message>
        <source>更新如果它</source>
        <translation>Update if it is</translation>
    </message>
    <message>
        <source>長的</source>
        <translation>Long</translation>
    </message>
    <message>
        <source>較新的</source>
        <translation>Newer</translation>
    </message>
    <message>
        <source>執行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>來源</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>目標</source>
        <translation>Target</translation>
    </message>
    <message>
        <source>%1 檔案(s) 已更新 .</source>
        <translation>%1 file(s) updated.</translation>
    </message>
    <message>
        <source>
%1 item(s) could not be read, copied or deleted.</source>
        <translation>
%1 item(s) could not be read, copied or deleted.</translation>
    </message>
    <message>
        <source>Please specify a valid directory.</source>
        <translation>Please specify a valid directory.</translation>
    </message>
    <message>
        <source>The update could not be started.</source>
        <translation>The update could not be started.</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>去</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>
and %1 more</source>
        <translation>
and %1 more</translation>
    </message>
</context>
</TS>
