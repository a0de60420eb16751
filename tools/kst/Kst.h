// kst: the container tool for users and modders.
//
//   kst list FILE                  every lump: index, type, param, size, offset,
//                                  and what it holds (picture size, or for a
//                                  MilkShape model its vertices, triangles,
//                                  groups, materials, joints, frames and fps)
//   kst extract FILE INDEX OUT     one lump's bytes, as they are, into OUT
//   kst pack OUT [--type T] [--param P] FILE ...
//                                  a new container of the files, in order; the
//                                  lump type comes from the file's ending (.tga 1,
//                                  .jpg/.jpeg 3, .ms3d 0) unless --type gives it;
//                                  --type and --param apply to the next file only
//
// Everything is read with the saver's own readers (the container reader, the
// TGA and JPEG decoders, the MilkShape reader), so a file kst accepts is a file
// the saver accepts: pack refuses an image or model the saver could not read.
// Every error is one clear line on the error stream and a non-zero status;
// output files are written aside and renamed, so a failure never leaves a
// partial file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses.
constexpr int kKstOk = 0;
constexpr int kKstFailed = 1;  // a file could not be read, decoded or written
constexpr int kKstUsage = 2;   // the command line is wrong

// Runs one command; args excludes the program name.
int RunKst(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
