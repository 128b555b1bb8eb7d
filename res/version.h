/* Version values of the program: the Windows version resource
   (res/kanaliacs.rc) and the POSIX backend's compiled-in copy read these. */
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
