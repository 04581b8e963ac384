// Reads a text file record by record, as the settings file and the project header are read:
// each line is seen in at most 512 columns (the rest of a longer line is skipped), and the line
// end (LF or CR LF) is never part of the record. Streams the file, so its size does not matter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class RecordReader {
public:
    enum class Status { record, end, error };

    explicit RecordReader(std::size_t columns = 512);
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // Opens a regular file (never a directory, device or pipe). False when that fails.
    bool open(const std::string& path);
    void close();

    // The next record; valid until the next call. `end` after the last line, `error` when the
    // file cannot be read further.
    Status next(std::string_view& record);

private:
    bool fill();

    std::size_t columns_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
    std::string line_;
};

}  // namespace qv
