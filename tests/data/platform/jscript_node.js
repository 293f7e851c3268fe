// Evaluates every line of jscript_expressions.txt with Node.js and prints
// "expression<TAB>type<TAB>value": the reference table that the JScript
// tests compare against (jscript_node_results.txt).
//   node jscript_node.js jscript_expressions.txt > jscript_node_results.txt
"use strict";
const fs = require("fs");
const lines = fs.readFileSync(process.argv[2], "utf8").split("\n").filter((l) => l.length > 0);
const out = [];
for (const expr of lines) {
  const v = (0, eval)(expr);
  let text;
  if (typeof v === "number") text = Object.is(v, -0) ? "-0" : String(v);
  else if (typeof v === "string" || typeof v === "boolean") text = String(v);
  else text = "";
  out.push(expr + "\t" + typeof v + "\t" + text);
}
process.stdout.write(out.join("\n") + "\n");
