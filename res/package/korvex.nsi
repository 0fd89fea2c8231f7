; The installer of korvex.exe (NSIS 3, UTF-8). The build passes everything that varies:
;   TARGET      x86-unicode or amd64-unicode
;   VERSION     the program's version, four numbers (project() in CMakeLists.txt)
;   STAGE       the program folder as installed: korvex.exe, readme.txt, and openvpn\ with the
;               OpenVPN components when OPENVPN is defined
;   OUTFILE     the installer to write
;   MUTEX       the client's single-instance mutex
;   ICON        the program's icon
;   COMPRESSOR  optional, lzma by default
Unicode true
Target ${TARGET}
!ifndef COMPRESSOR
  !define COMPRESSOR lzma
!endif
SetCompressor /SOLID ${COMPRESSOR}

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Qivra网络加速器"
!define PUBLISHER "Qivra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ManifestSupportedOS all
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; An installation already there is upgraded in place, wherever it went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvex.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The client holds its single-instance mutex while it runs. Replacing or removing its files then
; would fail half-way, so neither starts: the user is asked to exit the client, and a silent run
; ends with exit code 2 having changed nothing. A mutex we may not open exists all the same.
!macro RefuseWhileClientRuns what
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $0 <> 0
    System::Call 'kernel32::CloseHandle(p r0)'
  ${EndIf}
  ${If} $0 <> 0
  ${OrIf} $1 = 5
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT}正在运行。请先退出程序（在任务栏右下角图标上点右键，选择“退出”），然后再${what}。" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

!macro UseNativeRegistryView
  !if ${TARGET} == amd64-unicode
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro UseNativeRegistryView
  !insertmacro RefuseWhileClientRuns "安装"
FunctionEnd

Function un.onInit
  !insertmacro UseNativeRegistryView
  !insertmacro RefuseWhileClientRuns "卸载"
FunctionEnd

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\korvex.exe"
  File "${STAGE}\readme.txt"
!ifdef OPENVPN
  SetOutPath "$INSTDIR\openvpn"
  File "${STAGE}\openvpn\openvpn.exe"
  File "${STAGE}\openvpn\ca.crt"
  File "${STAGE}\openvpn\tap_korvex.inf"
  File "${STAGE}\openvpn\tap_korvex.sys"
  File "${STAGE}\openvpn\tapinstall.exe"
  SetOutPath "$INSTDIR"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\korvex.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\korvex.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvex.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the installer put down, file by file: the folders may also hold what the client
; or the user wrote there, which is theirs (and keeps the folder). Leaves the client's settings
; under HKCU and whatever driver the client installed from the openvpn folder: the adapter may
; serve other programs, and removing it is the user's call.
Section "Uninstall"
  SetShellVarContext all
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  Delete "$INSTDIR\korvex.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\openvpn\openvpn.exe"
  Delete "$INSTDIR\openvpn\ca.crt"
  Delete "$INSTDIR\openvpn\tap_korvex.inf"
  Delete "$INSTDIR\openvpn\tap_korvex.sys"
  Delete "$INSTDIR\openvpn\tapinstall.exe"
  RMDir "$INSTDIR\openvpn"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
