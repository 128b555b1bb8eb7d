/* Version values of the program: the Windows version resource
   (res/kanaliacs.rc) and the POSIX backend's compiled-in copy read these,
   and scripts/package takes the release's version (the zip's name, the
   readme) and the readme's history from here, so this file is the one place
   that says the version.

   A release: raise the four numbers and KC_VER_FILEVERSION /
   KC_VER_PRODUCTVERSION together (scripts/package refuses numbers and text
   that disagree) and add an entry on top of the history below.

   History for the readme's 履歴 section, newest first, between the two
   marker lines: an entry starts with the version (KC_VER_FILEVERSION) and
   its date at the start of a line; the lines below it, indented by two
   blanks, say in Japanese what a user notices. The newest entry's version
   must be KC_VER_FILEVERSION.

KC-HISTORY-BEGIN
1.0.0.0 (2026-12-09)
  最初の公開版。
  SKY PerfecTV! と SKY PerfecTV! e2 の番組表を Kanalia の番組表サイトから
  取得し、ホストのデータセットに追加します。
KC-HISTORY-END
*/
#pragma once

#define KC_VER_MAJOR 1
#define KC_VER_MINOR 0
#define KC_VER_PATCH 0
#define KC_VER_BUILD 0
#define KC_VER_FILEVERSION "1.0.0.0"
#define KC_VER_PRODUCTVERSION "1.0.0.0"
/* UTF-8 here; the resource compiler and the POSIX backend convert. */
#define KC_VER_PRODUCTNAME_U8 u8"Kanalia(CS)プラグイン"
#define KC_VER_FILEDESCRIPTION_U8 u8"Kanalia(CS) 番組表取得プラグイン"
#define KC_VER_LEGALCOPYRIGHT_U8 u8"Kanalia(CS) 開発チーム"
#define KC_VER_COMPANYNAME_U8 u8"Kanalia(CS) Project"
#define KC_VER_INTERNALNAME "kanaliacs"
#define KC_VER_ORIGINALFILENAME "kanaliacs.exe"
