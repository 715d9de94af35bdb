// quelvaris-tunegen [OUT_DIR] [--tunes DIR]: turns every tune file NAME.tune of the tune folder
// into the standard MIDI file OUT_DIR/NAME.mid (OUT_DIR defaults to "bgm&se").
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/tunegen/score.hpp"

namespace fs = std::filesystem;

namespace {

bool convert(const fs::path& tune, const fs::path& out_dir) {
  std::ifstream in(tune);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    std::cerr << tune.string() << ": cannot read\n";
    return false;
  }
  try {
    tunegen::Score score = tunegen::parse_tune(text.str(), tune.filename().string());
    std::vector<uint8_t> smf = tunegen::write_smf(score);
    fs::path out = out_dir / tune.stem();
    out += ".mid";
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(smf.data()), static_cast<std::streamsize>(smf.size()));
    if (!file) {
      std::cerr << out.string() << ": cannot write\n";
      return false;
    }
    return true;
  } catch (const tunegen::NotationError& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  fs::path out_dir = "bgm&se";
  fs::path tunes = QV_TUNES_DIR;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--tunes" && i + 1 < argc) {
      tunes = argv[++i];
    } else if (!arg.empty() && arg[0] != '-') {
      out_dir = arg;
    } else {
      std::cerr << "usage: quelvaris-tunegen [OUT_DIR] [--tunes DIR]\n";
      return 2;
    }
  }
  std::error_code ec;
  fs::create_directories(out_dir, ec);
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(tunes, ec))
    if (entry.path().extension() == ".tune") files.push_back(entry.path());
  if (ec || files.empty()) {
    std::cerr << tunes.string() << ": no tune files\n";
    return 1;
  }
  std::sort(files.begin(), files.end());
  bool ok = true;
  for (const fs::path& f : files) ok = convert(f, out_dir) && ok;
  return ok ? 0 : 1;
}
