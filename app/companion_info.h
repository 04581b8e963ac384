// The Main page's three reports on the outside components: the encoder program, the installed
// frame server and the decoder libraries. Each tells on the message line whether the component
// is there and which version it is.
#pragma once

#include <string>

#include "settings/core.h"

namespace qv {

// Click on mainp::QVENC_INFO, AVISYNTH_INFO or DGDECODE_INFO. Returns false (and does nothing)
// for any other id.
bool handle_companion_info_button(Core& core, int id);

// "QVenc info": the encoder program in the program directory and its file version.
void report_qvenc_info(Core& core);

// The frame-server installation: the library the system's dynamic loader finds for
// "libavisynth.so". The frame server we ship in the program directory is not an installation.
// Shows " Avisynth installation found: " and the library's folder, or " Avisynth installation
// NOT found". When found, the installed library becomes the frame-server library of the report
// and its date (birth time, else modification time) is refreshed.
bool query_avisynth_install(Core& core);
// The same with the loader's answer given: the library's full path, empty when it found none.
bool query_avisynth_install(Core& core, const std::string& located_library);

// "Avisynth info": the installation, then the library's file version and date.
void report_avisynth_info(Core& core);
void report_avisynth_info(Core& core, const std::string& located_library);

// "DGDecode info": which of the five versioned decoder libraries the decoder folder holds.
void report_dgdecode_info(Core& core);

}  // namespace qv
