// tamarack-guide: a build tool that writes the user guide, the HTML page
// that Website and Feedback open, to the file it is given.
#include <fstream>
#include <iostream>

#include "ui/user_guide.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "usage: tamarack-guide FILE\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << tamarack::UserGuideHtml();
  out.close();
  if (!out) {
    std::cerr << "tamarack-guide: cannot write " << argv[1] << '\n';
    return 1;
  }
  return 0;
}
