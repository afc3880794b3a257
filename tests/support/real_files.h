#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/program.h"
#include "platform/posix/posix_file_system.h"
#include "support/program_fixture.h"
#include "support/temp_files.h"
#include "support/unwritable_file.h"

namespace tamarack::testing {

// The whole program on the host's real file system, every other platform
// interface faked, initialised as at window start.
class RealFilesTest : public ProgramOn<PosixFileSystem> {
 protected:
  void SetUp() override { ASSERT_TRUE(temp.Made()) << "no temporary folder"; }

  TempDir temp;
};

}  // namespace tamarack::testing
