// The end of a session: packing every tube's files into its own zip archive
// with the outside archiver, the closing lines, the clean-up, and the fatal
// stop that writes Phreatix.log and ends the program.
#pragma once

#include <set>
#include <string>

#include "session/session.h"

namespace phreatix {

// The archiver, started once per tube without a shell with the argument
// text " -m S.zip S.* " (S.* expanded here, the archive left out): it moves
// the tube's files into S.zip, adding to an existing archive.
struct ArchiverSettings {
  std::string program = "zip";
  double waitSeconds = 600;  // the longest wait for one tube's key file to go
  int pollMilliseconds = 5;
  // Archivers at work at once, each on its own tube; 1 packs one tube after
  // the other. Less than 1 counts as 1.
  int archivers = 1;
};

// The key extension: ".met" once a pipeline has started in this program
// run, ".u01" otherwise.
std::string packingKey(const Session& session);

struct PackResult {
  std::set<std::string> packed;     // the archiver took the files and ended well
  std::set<std::string> notPacked;  // it could not start, failed, kept the key file,
                                    // or left an archive that cannot be read
  bool contentsWritten = true;      // zipinhoud.txt was written completely
};

// Hands every tube with a key file to the archiver, in directory order, up
// to `archiver.archivers` tubes at once, and waits for each tube's key file
// to go. The members of every archive packed are recorded in zipinhoud.txt
// (files/zip_contents.h), in the data set's order of the locations (those
// the data set does not hold after them, by name), with those of archives
// packed before and not now while they are there, and of a zip of a
// location of the data set that no record held (packed before a crash). A tube not packed, and a
// zipinhoud.txt not written, gets a line in mmLOG and mmSTOPEXIT. Whatever the
// number of archivers, the label, the gauge and the lines of mmLOG, mmSTOPEXIT
// and the message boxes come tube by tube in directory order, as one archiver
// would give them: a tube's lines wait until every tube before it is done.
PackResult packTubes(Session& session, ProgressView& main, MessageBox& messageBox,
                     const ArchiverSettings& archiver);

// For every tube packed in this run, the files of the clean-up list that
// are still there; every S.ok; the placeholder tube's files, zeftal0.par,
// input.txt and olga.tmp. The files of a tube that was not packed stay.
void cleanUp(Session& session, const PackResult& packing);

// Packer, closing lines, clean-up, fatal stop (normal end). Never returns;
// `packing`, when given, holds what was packed and what not by then.
[[noreturn]] void closingSequence(Session& session, ProgressView& main, MessageBox& messageBox,
                                  const ArchiverSettings& archiver = ArchiverSettings(),
                                  PackResult* packing = nullptr);

}  // namespace phreatix
