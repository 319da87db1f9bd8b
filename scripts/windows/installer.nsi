; installer.nsi: the Windows installer of the Torvane editor, built by make-installer.sh.
;
; A per-user install (no administrator rights) into %LOCALAPPDATA%\Programs\Torvane, with a
; Start-menu shortcut and an entry in "Apps" / "Programs and Features". Silent use:
;   setup.exe /S [/D=C:\some\folder]        ("/D=" last, unquoted, even with spaces)
;   "Uninstall Torvane.exe" /S
;
; The uninstaller removes the program's files by name, never the folder's whole content:
; the editor keeps its autosave bank torvanepar.TVN (and its temporaries and .BAK backups)
; beside torvane.exe, and its settings under HKCU\Software\Quillmont\Torvane. Those are the
; user's and outlive the program; the folder stays when they are there.
;
; Defines (all required):
;   VERSION          the version shown in "Apps"
;   OUTFILE          the installer to write
;   FILES_INSTALL    an include of SetOutPath/File lines for every file of the distribution
;   FILES_UNINSTALL  an include of the matching Delete lines and RMDir of its sub-folders

!ifndef VERSION | OUTFILE | FILES_INSTALL | FILES_UNINSTALL
  !error "define VERSION, OUTFILE, FILES_INSTALL and FILES_UNINSTALL (see make-installer.sh)"
!endif

Unicode true
Target amd64-unicode ; the editor is a 64-bit program; Windows on x86 is not supported
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvane"
!define UNINSTALLER "Uninstall Torvane.exe"
!define SHORTCUT "$SMPROGRAMS\Torvane editor.lnk"

Name "Torvane editor"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Torvane"
; An update goes where the previous version went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; $SMPROGRAMS is the user's own Start menu, not the one shared by all users.
Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Torvane editor" SecProgram
  SectionIn RO
  !include "${FILES_INSTALL}"

  SetOutPath "$INSTDIR" ; the shortcut's working folder
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\torvane.exe"

  ; The size of the files above in KB, as makensis counted them.
  SectionGetSize ${SecProgram} $0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Torvane editor"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quillmont"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\torvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${FILES_UNINSTALL}"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
