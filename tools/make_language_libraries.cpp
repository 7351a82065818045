// Writes the three language string libraries: 1024-byte prompt blocks for the pager's upper
// EEPROM half. English for the HW-A boards and for HW-B come from the built-in images; the
// French block is kept here. Usage: make_language_libraries OUTDIR

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "core/image.hpp"

namespace {

// French prompts in the order of the HW-A block, in the pager's ASCII set. Where the English
// text fills a display line the French one is no longer; leading blanks keep the centring.
const std::vector<std::string> kFrenchPrompts = {"EFFACE?",
                                                 "  < VIDE >",
                                                 "[MSG REPETE]",
                                                 "PILE FAIBLE",
                                                 "AUCUN MSG",
                                                 "FIN DU MESSAGE",
                                                 "[O.K.]",
                                                 "   Test moteur!",
                                                 "   Test lampe!",
                                                 "   Test buzzer!",
                                                 " 512BPS",
                                                 "1200BPS",
                                                 "2400BPS",
                                                 "NON",
                                                 "OUI",
                                                 "HORS ZONE",
                                                 "INVALIDE",
                                                 "Debit: ",
                                                 "DIM",
                                                 "LUN",
                                                 "MAR",
                                                 "MER",
                                                 "JEU",
                                                 "VEN",
                                                 "SAM",
                                                 "NON LU   ",
                                                 "BIP SEUL!",
                                                 "MEM. PLEINE",
                                                 "  DEBLOQUER",
                                                 "OUI     NON",
                                                 "    EFFACER",
                                                 "   EFFACER TOUT  ",
                                                 "  BLOQUER  ",
                                                 "CONTRASTE:",
                                                 "AUTO:     ",
                                                 "INACTIF",
                                                 "ACTIF",
                                                 " A  ",
                                                 "HEURE",
                                                 "REVEIL",
                                                 "AUTO",
                                                 "MELODIE",
                                                 "CONTRASTE",
                                                 "ALERTE",
                                                 "MEMOIRE",
                                                 "ARRET",
                                                 "BUZZER",
                                                 "MOTEUR",
                                                 "MUET  ",
                                                 "PUBLIC"};

bool write(const std::string& path, const std::vector<std::string>& prompts) {
  const auto block = capcode::buildPromptBlock(prompts);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(block.data()),
             static_cast<std::streamsize>(block.size()));
  file.close();
  if (!file) std::cerr << "make_language_libraries: cannot write " << path << "\n";
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::cerr << "Usage: make_language_libraries OUTDIR\n"
                 "Writes EnglishStr.lib, EngStrHWB.lib and FranchStr.lib into OUTDIR.\n";
    return argc == 2 ? 0 : 2;
  }
  const std::string dir = argv[1];
  const bool ok = write(dir + "/EnglishStr.lib", capcode::defaultPromptsA()) &&
                  write(dir + "/EngStrHWB.lib", capcode::defaultPromptsB()) &&
                  write(dir + "/FranchStr.lib", kFrenchPrompts);
  return ok ? 0 : 1;
}
