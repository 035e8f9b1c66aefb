// The checks of the CI workflow that actionlint cannot make, since they need
// the project's own facts: its CMake presets, the Visual Studio of each runner
// image, the release's file names. The Windows jobs run only on GitHub's
// runners, so these stand in for a run here.
import { readFileSync } from "node:fs";
import { parse } from "yaml";

// The Visual Studio that each Windows runner image carries, as the runner
// images' announcement of 2026-05-07 gives it (windows-latest and
// windows-2025 moved to Visual Studio 2026 from June 2026).
const visualStudioOfImage = {
  "windows-2022": "2022",
  "windows-2025": "2026",
  "windows-2025-vs2026": "2026",
  "windows-latest": "2026",
};

// The names of the build configurations, which the Visual Studio generator
// gives the folders of its programs: a file system that ignores case takes a
// folder named "release" for that one.
const configurations = ["debug", "release", "relwithdebinfo", "minsizerel"];

// What a release's artifact holds: the zip, the bare executable beside it and
// SHA256SUMS (cmake/package_release.cmake).
const releaseFile = /^(QuellmarLaunch-[^/]+\.(zip|exe)|SHA256SUMS)$/;

// Each finding as actionlint gives its own: FILE:LINE:COLUMN: MESSAGE [KIND].
function finder(file, text) {
  const lines = text.split("\n");
  const lineOf = (needle) => {
    const at = lines.findIndex((line) => line.includes(needle));
    return at < 0 ? 1 : at + 1;
  };
  const findings = [];
  const report = (needle, message, kind) =>
    findings.push(`${file}:${lineOf(needle)}:1: ${message} [${kind}]`);
  return { lines, report, findings };
}

// Every combination of a job's matrix, include entries added as themselves.
function matrixEntries(strategy) {
  const matrix = strategy?.matrix;
  if (!matrix || typeof matrix !== "object") return [{}];
  let entries = [{}];
  for (const [key, values] of Object.entries(matrix)) {
    if (key === "include" || key === "exclude" || !Array.isArray(values)) continue;
    entries = entries.flatMap((entry) => values.map((value) => ({ ...entry, [key]: value })));
  }
  const included = Array.isArray(matrix.include) ? matrix.include : [];
  return entries.length === 1 && Object.keys(entries[0]).length === 0 && included.length > 0
    ? included
    : entries.concat(included);
}

// |text| with ${{ matrix.NAME }} replaced by the entry's value.
function withMatrix(text, entry) {
  return String(text).replace(/\$\{\{\s*matrix\.([\w-]+)\s*\}\}/g, (whole, name) =>
    name in entry ? String(entry[name]) : whole,
  );
}

// A preset's generator, its own or the first that it inherits.
function generatorOf(presets, name, seen = new Set()) {
  const preset = presets.find((p) => p.name === name);
  if (!preset || seen.has(name)) return undefined;
  seen.add(name);
  if (preset.generator) return preset.generator;
  for (const parent of [].concat(preset.inherits ?? [])) {
    const generator = generatorOf(presets, parent, seen);
    if (generator) return generator;
  }
  return undefined;
}

function checkPins(lines, report) {
  for (const line of lines) {
    const uses = line.match(/^\s*(?:-\s+)?uses:\s*(\S+)(.*)$/);
    if (!uses || uses[1].startsWith("./")) continue;
    if (!/@[0-9a-f]{40}$/.test(uses[1]) || !/^\s+#\s*v\d\S*\s*$/.test(uses[2])) {
      report(line, `${uses[1]} is not pinned by a full commit hash with its tag as a comment`, "pin");
    }
  }
}

function checkPresets(job, entry, presets, report) {
  const preset = entry.preset;
  for (const [list, what] of [
    ["configurePresets", "configure"],
    ["buildPresets", "build"],
    ["testPresets", "test"],
  ]) {
    const found = (presets[list] ?? []).find((p) => p.name === preset && !p.hidden);
    const configure = list === "configurePresets" ? preset : found?.configurePreset;
    if (!found || configure !== preset) {
      report(`preset: ${preset}`, `the matrix's preset ${preset} has no ${what} preset of its own`, "preset");
    }
  }
  const generator = generatorOf(presets.configurePresets ?? [], preset) ?? "";
  const visualStudio = generator.match(/^Visual Studio \d+ (\d{4})$/);
  const image = withMatrix(job["runs-on"], entry);
  if (visualStudio && visualStudioOfImage[image] !== visualStudio[1]) {
    report(`preset: ${preset}`,
      `the preset ${preset} needs Visual Studio ${visualStudio[1]} ("${generator}"), which the image ${image} does not carry`,
      "image");
  }
}

// The folders that cpack writes into, and that the artifact step uploads from.
function checkPackage(job, entry, report) {
  const steps = job.steps ?? [];
  const folders = [];
  for (const step of steps) {
    const run = withMatrix(step.run ?? "", entry);
    for (const [, folder] of run.matchAll(/\bcpack\b.*?\s-B\s+(\S+)/g)) {
      folders.push(folder);
      if (folder.split(/[\\/]/).some((part) => configurations.includes(part.toLowerCase()))) {
        report("cpack", `cpack writes into ${folder}, named like a build configuration's folder`, "cpack-folder");
      }
    }
  }
  for (const step of steps) {
    if (!String(step.uses ?? "").startsWith("actions/upload-artifact@")) continue;
    for (const path of String(step.with?.path ?? "").split("\n").filter((p) => p.trim())) {
      const uploaded = withMatrix(path.trim(), entry);
      const cut = uploaded.lastIndexOf("/");
      if (!folders.includes(uploaded.slice(0, cut)) || !releaseFile.test(uploaded.slice(cut + 1))) {
        report(path.trim(), `the artifact takes ${uploaded}, which is not a file of the release in cpack's folder`, "artifact");
      }
    }
  }
}

// The findings for the workflow |file| against the presets file |presetsFile|.
export function projectFindings(file, presetsFile) {
  const text = readFileSync(file, "utf8");
  const { lines, report, findings } = finder(file, text);
  const presets = JSON.parse(readFileSync(presetsFile, "utf8"));
  checkPins(lines, report);
  for (const job of Object.values(parse(text)?.jobs ?? {})) {
    for (const entry of matrixEntries(job.strategy)) {
      if (entry.preset) checkPresets(job, entry, presets, report);
      checkPackage(job, entry, report);
    }
  }
  return [...new Set(findings)];
}
