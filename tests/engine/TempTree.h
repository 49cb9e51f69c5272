#pragma once

#include <sys/stat.h>

#include <string>

namespace tolvane::test {

// A temporary folder for one test, removed with everything in it at the end.
class TempTree {
  public:
    TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    ~TempTree();

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }

    // Writes size bytes of a pattern seeded by seed, creating missing folders.
    void WriteFile(const std::string& relative, off_t size, char seed = 'a') const;
    void WriteText(const std::string& relative, const std::string& text) const;
    void MakeDir(const std::string& relative) const;
    void MakeLink(const std::string& relative, const std::string& text) const;
    void MakeFifo(const std::string& relative) const;

    bool Exists(const std::string& relative) const;
    bool IsDir(const std::string& relative) const;
    bool IsLink(const std::string& relative) const;
    off_t Size(const std::string& relative) const;  // -1 when missing
    std::string Read(const std::string& relative) const;
    std::string LinkText(const std::string& relative) const;
    struct stat Stat(const std::string& relative) const;

  private:
    std::string m_root;
};

}  // namespace tolvane::test
