// CodeMirror 6 with its basic setup, lines wrapped; the document as plain text, a line a paragraph.
import '../title.js';
import {EditorView, basicSetup} from 'codemirror';

const source = document.getElementById('source');
let later = () => {};
const view = new EditorView({
    doc: quilletTitle.blocksText(source),
    extensions: [basicSetup, EditorView.lineWrapping, EditorView.updateListener.of(() => later())],
    parent: document.getElementById('editor'),
});
source.remove();
later = quilletTitle.show(() => {
    const {from, to} = view.state.selection.main;
    return {text: view.state.doc.toString(), selection: view.state.sliceDoc(from, to)};
}, view.dom);
view.focus();
