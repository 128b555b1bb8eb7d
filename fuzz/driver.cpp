// A plain random-input driver for LLVMFuzzerTestOneInput targets: mutates a
// few seeds (given files, or built-in bytes) for a bounded number of runs.
// Usage: fuzz_x [--runs=N] [--seed=S] [--max-len=L] [seed files...]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  long runs = 10000;
  unsigned seed = 1;
  std::size_t maxLen = 4096;
  std::vector<std::string> corpus;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::atol(argv[i] + 7);
    else if (std::strncmp(argv[i], "--seed=", 7) == 0) seed = static_cast<unsigned>(std::atol(argv[i] + 7));
    else if (std::strncmp(argv[i], "--max-len=", 10) == 0) maxLen = static_cast<std::size_t>(std::atol(argv[i] + 10));
    else {
      std::FILE* f = std::fopen(argv[i], "rb");
      if (!f) continue;
      std::string s;
      char buf[4096];
      std::size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
      std::fclose(f);
      corpus.push_back(s);
    }
  }
  if (corpus.empty()) corpus.push_back("<a b=\"c\">x&amp;y</a>\"q\",\"r\",\r\n([a-z]|b)*");
  std::mt19937 rng(seed);
  const char alphabet[] = "<>=\"&#;x0123456789abAB /\\[]()|*+?.^$-,%\r\n\t\x81\x82\xe0\xfc\x80\xa0\xef\xbb";
  for (long r = 0; r < runs; ++r) {
    std::string s = corpus[rng() % corpus.size()];
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      std::size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
      switch (rng() % 4) {
        case 0: s.insert(s.begin() + static_cast<long>(pos), alphabet[rng() % (sizeof alphabet - 1)]); break;
        case 1: if (!s.empty() && pos < s.size()) s.erase(pos, 1 + rng() % 4); break;
        case 2: if (pos < s.size()) s[pos] = static_cast<char>(rng() & 0xFF); break;
        case 3: if (!s.empty()) { std::size_t a = rng() % s.size(); s.insert(pos, s.substr(a, 1 + rng() % 16)); } break;
      }
    }
    if (s.size() > maxLen) s.resize(maxLen);
    if (rng() % 16 == 0) corpus.push_back(s);
    if (corpus.size() > 64) corpus.erase(corpus.begin() + 1);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  }
  std::printf("%ld runs done\n", runs);
  return 0;
}
