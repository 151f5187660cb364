#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <variant>

// A master folder or file that cannot be read as dictionaries.
class MasterError : public std::exception {
 public:
  struct BadLine {
    std::string file;
    std::int64_t line = 0;
    std::string reason;
    bool operator==(const BadLine&) const = default;
  };
  struct NotFound {
    std::string path;
    bool operator==(const NotFound&) const = default;
  };
  // A FIFO, device or socket where a dictionary file should be: reading it
  // could block for ever, and it holds no words.
  struct NotRegularFile {
    std::string file;
    bool operator==(const NotRegularFile&) const = default;
  };
  using Case = std::variant<BadLine, NotFound, NotRegularFile>;

  explicit MasterError(Case errorCase);
  const Case& errorCase() const noexcept { return case_; }
  const char* what() const noexcept override { return description_.c_str(); }
  bool operator==(const MasterError& other) const { return case_ == other.case_; }

 private:
  Case case_;
  std::string description_;
};
