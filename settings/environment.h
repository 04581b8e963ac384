// Where the program and its companions live, found once at start-up.
#pragma once

#include <string>

namespace qv {

struct Environment {
    std::string program_file;       // the running program's full file name
    std::string program_dir;        // its folder, with a trailing "/" (empty when unknown)
    std::string decoder_dir;        // program_dir + "DGDecode/"
    std::string matrix_dir;         // program_dir + "matrix/"
    std::string encoder_path;       // program_dir + "QVenc_019.exe"
    std::string scratch_path;       // program_dir + "QV.dbs"
    std::string decoder_copy_path;  // program_dir + "DGDecode.dll"
    std::string frameserver_path;   // the frame-server library the program would load
    std::string frameserver_date;   // "dd-mm-yyyy" with blank-padded day and month, or empty
    bool qv_ini_exists = false;
};

}  // namespace qv
