#include "archive/stream.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace archive::detail {

Limits& CurrentLimits() {
  static Limits limits;
  return limits;
}

bool MemorySource::ReadAt(uint64_t offset, void* buffer, size_t size) {
  if (offset > data_.size() || size > data_.size() - offset) return false;
  if (size) std::memcpy(buffer, data_.data() + offset, size);
  return true;
}

bool FileSource::Open(const std::string& path) {
  parts_.clear();
  total_ = 0;
  auto addPart = [this](const std::string& name) {
    plat::File file = plat::File::Open(name, plat::OpenMode::kRead);
    if (!file.IsOpen()) return false;
    std::optional<uint64_t> size = file.Size();
    if (!size) return false;
    Part part;
    part.file = std::move(file);
    part.start = total_;
    part.size = *size;
    total_ += *size;
    parts_.push_back(std::move(part));
    return true;
  };
  if (!addPart(path)) return false;
  if (text::EndsWith(path, ".001")) {
    std::string stem = path.substr(0, path.size() - 3);
    for (int n = 2; n < 100000; ++n) {
      if (!addPart(stem + text::PadNumber3(n))) break;
    }
  }
  return true;
}

bool FileSource::ReadAt(uint64_t offset, void* buffer, size_t size) {
  if (offset > total_ || size > total_ - offset) return false;
  std::lock_guard<plat::Mutex> hold(lock_);
  auto* out = static_cast<uint8_t*>(buffer);
  // Parts are few; a linear walk is cheaper than it looks next to the read itself.
  for (Part& part : parts_) {
    if (size == 0) break;
    if (offset >= part.start + part.size) continue;
    uint64_t inPart = offset - part.start;
    size_t n = static_cast<size_t>(std::min<uint64_t>(size, part.size - inPart));
    if (part.position != inPart) {
      if (!part.file.Seek(inPart)) {
        part.position = UINT64_MAX;
        return false;
      }
    }
    if (!part.file.ReadExact(out, n)) {
      part.position = UINT64_MAX;
      return false;
    }
    part.position = inPart + n;
    out += n;
    offset += n;
    size -= n;
  }
  return size == 0;
}

Status ReadFull(InStream& stream, uint8_t* buffer, size_t size, size_t* got) {
  size_t total = 0;
  while (total < size) {
    size_t n = 0;
    Status s = stream.Read(buffer + total, size - total, &n);
    if (s != Status::kOk) {
      *got = total;
      return s;
    }
    if (n == 0) break;
    total += n;
  }
  *got = total;
  return Status::kOk;
}

Status PackStream::Read(uint8_t* buffer, size_t size, size_t* got) {
  size_t n = static_cast<size_t>(std::min<uint64_t>(size, left_));
  *got = 0;
  if (n == 0) return Status::kOk;
  // A packed stream that runs past the end of the archive is a truncated archive.
  if (!source_.ReadAt(offset_, buffer, n)) return Status::kDataError;
  offset_ += n;
  left_ -= n;
  *got = n;
  return Status::kOk;
}

InputBuffer::InputBuffer(std::unique_ptr<InStream> source, size_t capacity)
    : source_(std::move(source)), buf_(capacity + kSlack, 0), capacity_(capacity) {}

Status InputBuffer::Ensure(size_t n) {
  if (end_ - pos_ >= n || eof_) return Status::kOk;
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  while (end_ < n && !eof_) {
    size_t got = 0;
    Status s = source_->Read(buf_.data() + end_, capacity_ - end_, &got);
    if (s != Status::kOk) return s;
    if (got == 0) {
      eof_ = true;
      std::memset(buf_.data() + end_, 0, kSlack);
    }
    end_ += got;
  }
  return Status::kOk;
}

}  // namespace archive::detail
