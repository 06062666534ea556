// Quill 2 with its "snow" theme.
import '../title.js';
import 'quill/dist/quill.snow.css';
import Quill from 'quill';

const element = document.getElementById('editor');
element.innerHTML = document.getElementById('source').innerHTML;
const quill = new Quill(element, {theme: 'snow'});
quilletTitle.richText(quill.root);
quill.focus();
