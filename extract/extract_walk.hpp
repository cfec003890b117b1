// The walk over an episode II/III table file and the listing it writes.
//
// Table layout after the base sector byte: records, each starting with a
// lead byte, up to the end byte 0x00.
//   0x01-0x3F  file record, short form; head length = lead byte
//   0x40-0x7F  file record, long form; head length = lead byte - 0x40,
//              followed by a 3-byte extra field after the location field
//   0x80-0xFF  directory record; record length = lead byte - 0x80
// File record: lead, merge byte (back count << 4 | copy count), name field
// (head length - 2 bytes), location field (24-bit sector, 32-bit size).
// Directory record: lead, close count, merge byte, name field (record
// length - 3 bytes).
//
// Names are stored whole or merged into the previous name: the field's bytes
// overwrite it starting back count + 1 bytes before its NUL.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "channel.hpp"
#include "fields.hpp"
#include "listing.hpp"
#include "program.hpp"

namespace drovenna {

// Size of the file-name buffer that holds the last file name and its NUL.
constexpr std::size_t file_name_buffer_size = 127;
// Bytes of 'a' behind a previous directory name's NUL in a sibling name.
constexpr std::size_t sibling_filler_size = 100;

void walk_table(in_channel& table, out_channel& listing, std::string& file_name, dir_list& dirs, std::int64_t base);

// Reads records up to the next file record and returns its lead byte, or 0
// at the end byte; the directory records on the way update `dirs`.
int next_file_lead(in_channel& table, dir_list& dirs);

// Reads a file record after its lead byte, up to the end of its location
// field (not the long form's extra field).
file_record read_file_record(std::int64_t head_length, in_channel& table, std::int64_t base);

// The record's name, to be written up to its first NUL: the whole name field,
// or the file-name buffer after the field was merged into it. Either way the
// buffer then holds the name for the next record.
const std::string& file_name_of(const file_record& record, std::string& file_name);

void list_file_record(std::int64_t head_length, in_channel& table, out_channel& listing, const dir_list& dirs,
                      std::string& file_name, std::int64_t base);

// Reads a directory record after its lead byte and updates the open directories.
void read_directory_record(std::int64_t record_length, dir_list& dirs, in_channel& table);

// Closes `count` innermost directories; returns the sibling name: the name
// of the directory closed last, a NUL and the filler, or "choucroute" when
// nothing is closed (it holds no NUL, so no merge can be built on it).
std::string close_directories(std::int64_t count, dir_list& dirs, const std::string& filler);

std::int64_t terminated_length(const std::string& bytes);
std::string cut_at_nul(std::string bytes);
std::string& merge_name(std::string& target, const std::string& piece, std::int64_t back_count, std::int64_t count);
void write_name_line(const std::string& name, out_channel& listing);

// The program's main flow; returns the exit status of a normal end (0).
int extract_main(const argument_list& args);

}  // namespace drovenna
