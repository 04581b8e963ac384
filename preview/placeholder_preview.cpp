// placeholder: keeps the library non-empty until its first file lands
namespace qv { void preview_placeholder() {} }
