//////////////////////////////////////////////////////////////////////////////////
// This is a headerfile which adds empty.dat to your Visual C++ Project.
//////////////////////////////////////////////////////////////////////////////////

const unsigned char emptyfile[] = 
{
};

const DWORD emptylength = 0;

class CEmptyFile
{
public:
	BOOL ExtractFile(LPCTSTR filename);
};

BOOL CEmptyFile::ExtractFile(LPCTSTR filename)
{
	CFile tFile;
	if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;
	tFile.Write(emptyfile,emptylength*sizeof(char));
	tFile.Close();
	return true;
}