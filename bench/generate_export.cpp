// Writes a synthetic ComicBase-style export of missing issues to standard
// output, for timing the tool on large files.
//
//   generate_export realistic N   N lines: 20 columns, quoted text, CR LF,
//                                 UTF-8 titles, variants, printings, book
//                                 types, owned and missing issues mixed
//   generate_export consecutive N one title of N consecutive issue numbers
//   generate_export editions N    N editions of one issue number
//   generate_export long_line N   one line of about N bytes
//
// The output depends only on the arguments, so runs can be compared.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

const char* const kFirstWords[] = {
    "Amazing", "Uncanny", "Mighty", "Spectacular", "Astonishing", "Dark", "Savage",
    "Legendary", "Secret", "Ultimate", "Le Petit", "Die Neue", "Las Nuevas", "Le Grand",
    "Fantastic", "Incredible", "Sensational"};
const char* const kSecondWords[] = {
    "Spider-Man", "X-Men", "Avengers", "Hulk", "Detective", "Tintin", "Astérix",
    "Lucky Luke", "Mafalda", "Corto Maltese", "Akira (アキラ)", "Naruto (ナルト)",
    "Zorro", "Thor", "Daredevil", "Sandman", "Hellboy", "Blacksad", "Spirou", "Valérian"};
const char* const kPublishers[] = {
    "Marvel (1963-1998)", "DC (1940-2011)", "Image (1992-Present)", "Dark Horse (1986-Present)",
    "Dargaud (1961-Present)", "Casterman (1930-1976)", "Kodansha (1982-1990)",
    "Dupuis (1938-Present)", "Vertigo (1993-2020)", "IDW (1999-Present)"};
const char* const kPeople[] = {"Stan Lee", "Jack Kirby", "René Goscinny", "Hergé",
                               "Katsuhiro Otomo", "Neil Gaiman", "Frank Miller",
                               "Jean Giraud", "Hugo Pratt", "Quino"};
const char* const kNotes[] = {"", "", "", "", "Newsstand edition", "1st appearance",
                              "Signed by the artist", "Price sticker on cover", "Direct edition"};
const char* const kBookTypes[] = {"Annual", "TPB", "HC", "Special"};

template <typename T, std::size_t N>
const T& pick(std::mt19937& random, const T (&items)[N]) {
  return items[random() % N];
}

struct Writer {
  std::mt19937 random{20261207};
  long item = 100000;
  long lines_left;
  std::string line;

  explicit Writer(long lines) : lines_left(lines) {}

  void column(const std::string& text, bool quoted = true) {
    if (!line.empty()) line += '\t';
    if (quoted) line += '"';
    line += text;
    if (quoted) line += '"';
  }

  // One export line of 20 columns for `issue` of `title`.
  void issue(const std::string& title, const char* publisher, const std::string& number) {
    if (lines_left <= 0) return;
    --lines_left;
    char buffer[64];
    line.clear();
    column(std::to_string(item++), false);
    column("Comic");
    column("US");
    column("Modern");
    column(title);
    column(publisher);
    std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(1960 + random() % 60));
    column(buffer);
    std::snprintf(buffer, sizeof buffer, "$%u.%02u", static_cast<unsigned>(random() % 5),
                  static_cast<unsigned>(random() % 100));
    column(buffer);
    column(pick(random, kPeople));
    column(random() % 2 ? "Color" : "B&W");
    column(random() % 3 ? "Std" : "Var");
    std::snprintf(buffer, sizeof buffer, "%06u%06u", static_cast<unsigned>(random() % 1000000),
                  static_cast<unsigned>(random() % 1000000));
    column(random() % 3 == 0 ? buffer : "");  // older issues have no barcode
    column("");
    column(number);
    column("NM");
    column("0", false);
    std::snprintf(buffer, sizeof buffer, "$%u.%02u", static_cast<unsigned>(2 + random() % 200),
                  static_cast<unsigned>(random() % 4 * 25));
    column(buffer, false);
    column(pick(random, kNotes));
    column(random() % 2 ? "Want" : "");
    std::snprintf(buffer, sizeof buffer, "2026-%02u", static_cast<unsigned>(1 + random() % 12));
    column(buffer);
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }

  // A title's missing issues: most plain issues missing, some owned (gaps),
  // some variants and later printings, now and then a printing gap, an
  // edition whose original is owned, and a book-type issue at the end.
  void title(long series) {
    std::string name = std::string(pick(random, kFirstWords)) + " " + pick(random, kSecondWords) +
                       " (" + std::to_string(series) + ")";
    const char* publisher = pick(random, kPublishers);
    int issues = 5 + static_cast<int>(random() % 120);
    for (int number = 1; number <= issues && lines_left > 0; ++number) {
      unsigned roll = random() % 100;
      std::string text = std::to_string(number);
      if (roll < 25) continue;  // owned
      if (roll < 28) {          // original owned, a variant missing
        issue(name, publisher, text + "/B");
        continue;
      }
      issue(name, publisher, text);
      if (roll < 36) issue(name, publisher, text + "/A");
      if (roll < 40) issue(name, publisher, text + "-2");
      if (roll < 42) issue(name, publisher, text + (roll % 2 ? "-3" : "-4"));
    }
    if (random() % 4 == 0) {
      issue(name, publisher, std::string(pick(random, kBookTypes)) + " " +
                                 std::to_string(1 + random() % 5));
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s realistic|consecutive|editions|long_line N\n", argv[0]);
    return 2;
  }
  const std::string shape = argv[1];
  const long count = std::atol(argv[2]);
  static char buffer[1 << 20];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  Writer writer(count);
  if (shape == "realistic") {
    for (long series = 1; writer.lines_left > 0; ++series) writer.title(series);
  } else if (shape == "consecutive") {
    for (long number = 1; number <= count; ++number) {
      writer.issue("Long Runner", "Marvel (1963-Present)", std::to_string(number));
    }
  } else if (shape == "editions") {
    for (long edition = 0; edition < count; ++edition) {
      std::string number = "7";
      if (edition % 3 == 1) number += "/" + std::to_string(edition % 9973);
      if (edition % 3 == 2) number += "-" + std::to_string(edition % 50021);
      writer.issue("Many Editions", "Image (1992-Present)", number);
    }
  } else if (shape == "long_line") {
    writer.issue("Long Line", "DC (1940-2011)", "1");
    std::string line(static_cast<std::size_t>(count), 'x');
    line.replace(0, 4, "9999");
    for (std::size_t tab = 100; tab < line.size(); tab += 1000) line[tab] = '\t';
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  } else {
    std::fprintf(stderr, "unknown shape %s\n", shape.c_str());
    return 2;
  }
  return 0;
}
