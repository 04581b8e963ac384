// placeholder: keeps the library non-empty until its first file lands
namespace qv { void sources_placeholder() {} }
