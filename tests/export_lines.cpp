#include "export_lines.h"

std::string export_line(const std::string& title, const std::string& number, int count,
                        const std::string& note) {
  std::string line;
  for (int column = 1; column <= count; ++column) {
    if (column > 1) line += '\t';
    switch (column) {
      case 5: line += "\"" + title + "\""; break;
      case 6: line += "\"Pub (1990)\""; break;
      case 14: line += "\"" + number + "\""; break;
      case 17: line += "$3.00"; break;
      case 18: line += note; break;
      default: line += "c" + std::to_string(column); break;
    }
  }
  return line;
}
