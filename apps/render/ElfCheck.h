#pragma once

#include <string>

namespace render {

/** Checks, before the loader maps it, that path is a whole 64-bit x86-64 ELF shared object:
 *  its header, its program headers and every segment's bytes lie within the file. A file
 *  cut short would otherwise be mapped past its end, and the first touch of a missing page
 *  kills the process with SIGBUS. False with a short reason when not. */
bool CheckSharedObject(const std::string& path, std::string& reason);

} // namespace render
