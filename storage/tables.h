// The three tables of this program as ready definitions: field lists, CSV
// settings and persistence settings. The windows own MemTable members and
// call these once at creation.
#pragma once

#include <string>

#include "storage/memtable.h"

namespace kc {

// CSV settings that every table of this program uses: quote '"', field and
// record delimiter ',', "True"/"False", persistent, CSV format.
void ApplyTableCsvSettings(MemTable& t);

// Channel tables: TVChannel (string 5), TVName (string nameSize), Status
// (integer); no display labels; bound to path with the ".old" backup; save
// options SaveData, SaveNonVisible, SaveIgnoreRange, SaveIgnoreMasterDetail.
// TableSkypch (download window) keeps names of up to 256 bytes, TableTV
// (settings window) up to 40.
void DefineChannelTable(MemTable& t, const std::string& componentName,
                        int nameSize, const std::string& path);
void DefineTableSkypch(MemTable& t, const std::string& path);
void DefineTableTV(MemTable& t, const std::string& path);

// The programme table: StartDateTime, TVChannel, EndDateTime, Title, Memo,
// Categorie, url, GCODE, Flag, Filler (calculated, never written) with their
// display labels; no backup; save options SaveData, SaveNonVisible. The
// file is set before each open (path may be empty here).
void DefineTableMas(MemTable& t, const std::string& path = "");

// A new row of an open channel table.
void AppendChannel(MemTable& t, const std::string& channel, const std::string& name,
                   int status);

constexpr int kTableSkypchNameSize = 256;
constexpr int kTableTVNameSize = 40;

}  // namespace kc
