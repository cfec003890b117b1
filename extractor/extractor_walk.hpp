// The walk over an episode I table file.
//
// The episode I table has the shape of the later episodes' but simpler records:
//   0x01-0x3F  file record, short form; head length = lead byte
//   0x40-0x7F  file record, long form; head length = lead byte - 0x40,
//              followed by a 3-byte extra field
//   0x80-0xFF  directory record; record length = low nibble of the lead byte
// File record: lead, name field (head length - 1 bytes), location field.
// Directory record: lead, close count, name field (record length - 2 bytes).
// Every name is the whole name field, every byte of it, NUL bytes included;
// no name depends on another.
#pragma once

#include <cstdint>
#include <string>

#include "channel.hpp"
#include "fields.hpp"
#include "listing.hpp"
#include "program.hpp"

namespace drovenna {

void walk_table_1(in_channel& table, out_channel& listing, dir_list& dirs, std::int64_t base);

// Reads records up to the next file record and returns its lead byte, or 0
// at the end byte; the directory records on the way update `dirs`.
int next_file_lead_1(in_channel& table, dir_list& dirs);

// Reads a file record after its lead byte, up to the end of its location
// field; the name is the whole field.
file_record read_file_record_1(std::int64_t head_length, in_channel& table, std::int64_t base);
void list_file_record_1(std::int64_t head_length, in_channel& table, out_channel& listing, const dir_list& dirs,
                        std::int64_t base);
void read_directory_record_1(std::int64_t record_length, dir_list& dirs, in_channel& table);
// Closes `count` innermost directories; more than are open is
// Failure("Erreur de r\xE9pertoire"), raised once the open ones are gone.
void close_directories_1(std::int64_t count, dir_list& dirs);
void write_name_bytes(const std::string& name, out_channel& listing);

// The program's main flow; returns the exit status of a normal end (0).
int extractor_main(const argument_list& args);

}  // namespace drovenna
